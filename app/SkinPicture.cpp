#include "app/SkinPicture.h"

#include "app/AppGlobals.h"

CSkinPicture::CSkinPicture(const wchar_t* fileName) {
    const CString path = g_strImageFolder + L"\\" + fileName;
    m_hBitmap = static_cast<HBITMAP>(::LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

CSkinPicture::~CSkinPicture() {
    if (m_hBitmap != nullptr) ::DeleteObject(m_hBitmap);
}

void CSkinPicture::PreSubclassWindow() { SetBitmap(m_hBitmap); }
