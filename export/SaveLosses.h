// What a save could not carry into the new store: items and attachments not
// saved, and why, for the save's closing message.
#pragma once
#include "framework/framework.h"

struct SaveLosses {
    int items = 0;
    int attachments = 0;
    int parts = 0;   // other parts of stored items (a sender)
    int refused = 0;   // of the items: those the components refused
    // The reason of the first loss that has one: a system error code, else a
    // component's own text.
    DWORD systemError = 0;
    CString description;

    void Clear() { *this = SaveLosses(); }
    bool Any() const { return items > 0 || attachments > 0 || parts > 0; }
    void Item(DWORD error = 0, const CString& text = CString()) {
        ++items;
        Reason(error, text);
    }
    // An item whose call the item writer or the session library refused.
    void Refused(const CString& text) {
        ++refused;
        Item(0, text);
    }
    void Attachment(DWORD error = 0, const CString& text = CString()) {
        ++attachments;
        Reason(error, text);
    }
    void Part(DWORD error = 0, const CString& text = CString()) {
        ++parts;
        Reason(error, text);
    }
    void Reason(DWORD error, const CString& text);
    // The destination's own error, which outranks every other reason.
    void Because(DWORD error) {
        systemError = error;
        description.Empty();
    }
    // "2 items, 1 attachment and 3 other parts of items were not saved." and the reason's line.
    CString Summary() const;
};

// The losses of the save in progress (the saving worker alone writes them).
extern SaveLosses g_saveLosses;

// The system's text for an error code, without its line end.
CString SystemErrorText(DWORD error);

// The text of the automation failure being handled (inside a catch block):
// the component's description, or empty.
CString CurrentFailureText();
