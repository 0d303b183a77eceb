// The skin picture of a dialog: a bitmap file of the program's image folder,
// read when the dialog object is made and shown by the dialog's picture
// control as soon as DDX_Control binds it. The bitmap lives as long as this
// object: the control shows it but does not own it. Used by the About box,
// the store dialog and the saving dialog.
#pragma once
#include "framework/framework.h"

class CSkinPicture : public CStatic {
public:
    // `fileName`: the bitmap's name in the image folder ("Save.bmp"). A file
    // that cannot be read leaves the control empty.
    explicit CSkinPicture(const wchar_t* fileName);
    ~CSkinPicture() override;
    CSkinPicture(const CSkinPicture&) = delete;
    CSkinPicture& operator=(const CSkinPicture&) = delete;

protected:
    void PreSubclassWindow() override;

private:
    HBITMAP m_hBitmap = nullptr;
};
