// The saving dialog: started by the main frame's Save, it starts the saving
// worker as it opens, shows the worker's progress, lets the user pause,
// resume and stop the save, and closes itself on the paint that follows the
// worker's end (never from the worker).
#pragma once
#include "framework/framework.h"

#include "app/SkinPicture.h"
#include "app/controls/TransparentStatic.h"
#include "reader/ndb.h"
#include "res/resource.h"

class COstSaving : public CDialogEx {
    DECLARE_DYNAMIC(COstSaving)
public:
    COstSaving();
    enum { IDD = IDD_OST_SAVING };

    // The worker's body: setup, the checked folders, the closing message.
    void RunSave();
    // Saves one checked folder: 1 when done (also empty, skipped or aborted),
    // 2 when the disk is short of space and the save must end.
    int SaveFolder(uint32_t folderId, NodeEntry* folderNode);
    // The texts of the folder's tree item and its ancestors, root first,
    // each followed by "\"; empty when the folder has no tree item.
    static CString BuildFolderPath(uint32_t folderId);
    // Creates the item writer folders of a relative path ("A\B\"), leaving
    // the path of its last folder in g_strPstFolderPath.
    static void CreatePstFolderChain(const CString& relativePath);
    // The items of this save that the new store holds as of its last
    // checkpoint, and those handed over after it.
    static void ItemsHandedOver(int& checkpointed, int& afterCheckpoint);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;

    afx_msg void OnPauseResume();
    afx_msg void OnStop();
    afx_msg void OnClose();
    afx_msg void OnPaint();
    afx_msg void OnProgressCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    // The abort question; the worker waits at its next checkpoint meanwhile.
    void AskToAbort();
    // Worker side: texts and bars of the dialog.
    void SetItemText(int id, const CString& text);
    void SetBarRange(int id, int upper);
    void SetBarPos(int id, int position);
    // The free-space step: false when the disk is short of space.
    bool EnoughFreeSpace();
    // The item writer's state for a new save.
    static void BeginWriterState();
    // The user's Stop becomes the reason for what the save does not reach.
    static void NoteUserStop();
    // A folder the save stopped before: its items are counted lost, for the
    // reason the save stopped.
    static void CountFolderNotReached(const NodeEntry* folderNode);
    // The end of a folder whose item writer failed: the items from
    // notHandedOver on are counted lost, the free-space message for a full
    // destination; result 2.
    int StopForWriterFailure(bool destinationFull, const NodeEntry* notHandedOver);

    CTransparentStatic m_destLabel;
    CTransparentStatic m_folderLabel;
    CTransparentStatic m_countLabel;
    CTransparentStatic m_stopButton;
    CButton m_pauseButton;
    CTransparentStatic m_destValue;
    CTransparentStatic m_folderValue;
    CTransparentStatic m_countValue;
    CTransparentStatic m_statusText;
    CProgressCtrl m_progressTotal;
    CProgressCtrl m_progressFolder;
    CSkinPicture m_picture{L"Save.bmp"};
};

// The saving worker's procedure (parameter: the dialog).
UINT SaveThreadProc(LPVOID param);
// Starts the saving worker for the dialog; g_pSaveThread is set before the
// worker runs. FALSE when no thread could be started.
BOOL StartSaveWorker(COstSaving* dialog);
