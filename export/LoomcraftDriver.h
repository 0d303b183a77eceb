// The item writer "loomcraft.Class1" reached late-bound: one wrapper per
// operation, each an IDispatch::Invoke by its fixed dispatch id. Texts go by
// reference as BSTRs, the body type as a 16-bit integer by reference. Used
// only on the saving worker, which initialised COM for itself.
#pragma once
#include "framework/framework.h"

// An owned BSTR that the wrappers take by reference. A null text stays a
// null BSTR (the item writer's "no such text").
class ComText {
public:
    ComText() = default;
    explicit ComText(const wchar_t* text) : m_bstr(text != nullptr ? ::SysAllocString(text) : nullptr) {}
    // The whole text, zero characters included.
    explicit ComText(const CString& text)
        : m_bstr(::SysAllocStringLen(text.GetString(), static_cast<UINT>(text.GetLength()))) {}
    // The text, or a null BSTR when it is absent.
    ComText(const CString& text, bool present) : ComText(present ? ComText(text).Release() : nullptr, 0) {}
    ~ComText() { ::SysFreeString(m_bstr); }
    ComText(const ComText&) = delete;
    ComText& operator=(const ComText&) = delete;
    BSTR* Ref() { return &m_bstr; }
    BSTR Release() {
        BSTR b = m_bstr;
        m_bstr = nullptr;
        return b;
    }
    BSTR Get() const { return m_bstr; }

private:
    ComText(BSTR owned, int) : m_bstr(owned) {}
    BSTR m_bstr = nullptr;
};

// Body type codes of the item writer.
enum ExportBodyType : short { kBodyPlain = 0, kBodyHtml = 1, kBodyRtf = 3 };

class CLoomcraftDriver : public COleDispatchDriver {
public:
    enum : DISPID {
        kBeginBatch = 0x6003002A,
        kCreateStore = 0x6003002B,
        kCreateFolder = 0x6003002C,
        kSaveMail = 0x6003002D,
        kOpenFolder = 0x6003002E,
        kCloseFolder = 0x6003002F,
        kSaveAppointment = 0x60030031,
        kEndBatch = 0x60030035,
        kSaveJournal = 0x60030039,
        kSaveTask = 0x6003003A,
        kSaveNote = 0x6003003B,
        kAddAttachment = 0x6003003C,
    };

    CString CreateStore(BSTR* pstPath, BSTR* displayName);
    CString CreateFolder(BSTR* folderPath);
    CString SaveMail(BSTR* folderPath, BSTR* subject, BSTR* recipients, BSTR* headerFile, BSTR* dateText,
                     BSTR* attachments, BSTR* body, short* bodyType, BSTR* spare1, BSTR* spare2);
    CString OpenFolder(BSTR* folderPath);
    CString CloseFolder();
    CString SaveAppointment(BSTR* folderPath, BSTR* subject, BSTR* organizer, BSTR* startText, BSTR* endText,
                            BSTR* spare1, BSTR* location, BSTR* spare2, BSTR* body, short* bodyType);
    CString SaveJournal(BSTR* folderPath, BSTR* attachment, BSTR* body, BSTR* spare, BSTR* subject,
                        short* bodyType);
    CString SaveTask(BSTR* folderPath, BSTR* dateText, BSTR* attachment, BSTR* body, BSTR* spare, BSTR* subject,
                     short* bodyType);
    CString SaveNote(BSTR* folderPath, BSTR* body, BSTR* subject, short* bodyType);
    // One more file for the item this writer stored last.
    CString AddAttachment(BSTR* filePath);
    void BeginBatch();
    void EndBatch();
};

// The one item writer of a save: bound by the export setup, released by the
// saving worker at the end of the save.
extern CLoomcraftDriver g_itemWriter;

// The holder of the export's paths; also the owner object of the export
// setup's message boxes, which therefore have no owner window.
class USave_to_PST_Format : public CWnd {
    DECLARE_DYNAMIC(USave_to_PST_Format)
public:
    USave_to_PST_Format() = default;
    ~USave_to_PST_Format() override = default;

    CString m_strHeaderFilePath;   // m_strTempFolder + "Temp.eml"
    CString m_strTempFolder;       // the user's temporary folder, ends in "\"
};

extern USave_to_PST_Format g_pstExporter;
