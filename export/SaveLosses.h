// What a save could not carry into the new store: items and attachments not
// saved, items saved with damaged parts, each counted under its reason, for
// the save's closing message.
#pragma once
#include "framework/framework.h"

#include <vector>

struct SaveLosses {
    int items = 0;
    int attachments = 0;
    int parts = 0;     // other parts of stored items (a sender)
    int refused = 0;   // of the items: those the components refused
    int damaged = 0;   // items saved, but with blocks whose check sum does not match
    // The last system error code given as a reason, and the text of the last
    // refusal of a component.
    DWORD systemError = 0;
    CString description;

    // The counts of one reason.
    struct Cause {
        CString reason;
        int items = 0, attachments = 0, parts = 0, damaged = 0;
    };
    std::vector<Cause> causes;   // in the order their first loss came

    void Clear() { *this = SaveLosses(); }
    bool Any() const { return items > 0 || attachments > 0 || parts > 0 || damaged > 0; }
    // `count` items lost for the reason: a system error code, else the text.
    void Items(int count, DWORD error, const CString& text) {
        if (count <= 0) return;
        items += count;
        Of(error, text).items += count;
    }
    void Item(DWORD error, const CString& text) { Items(1, error, text); }
    // An item whose call the item writer or the session library refused,
    // under the component's own text.
    void Refused(const CString& text);
    void Attachment(DWORD error, const CString& text = CString()) {
        ++attachments;
        ++Of(error, text).attachments;
    }
    void Part(DWORD error, const CString& text = CString()) {
        ++parts;
        ++Of(error, text).parts;
    }
    void Damaged(const CString& text) {
        ++damaged;
        ++Of(0, text).damaged;
    }
    // The last refused item was lost for another reason (the destination's
    // own error, which tells the user more than the component's text).
    void RetellLastRefusal(DWORD error, const CString& text);
    // "2 items, 1 attachment and 3 other parts of items were not saved.",
    // the items saved with damaged parts, then the reasons: "Reason: ..."
    // when there is one, else one line per reason with what it counts.
    CString Summary() const;

private:
    Cause& Of(DWORD error, const CString& text);
    int m_lastRefusal = -1;   // the cause of the last refused item
};

// The losses of the save in progress (the saving worker alone writes them).
extern SaveLosses g_saveLosses;

// The system's text for an error code, without its line end.
CString SystemErrorText(DWORD error);

// The text of the automation failure being handled (inside a catch block):
// the component's description, or empty.
CString CurrentFailureText();

// Reasons the save gives for what it could not carry.
extern const wchar_t kReasonUnknown[];
extern const wchar_t kReasonStoreDamaged[];
extern const wchar_t kReasonNotReady[];
