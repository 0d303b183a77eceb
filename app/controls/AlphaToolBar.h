// The main window's toolbar: the stock toolbar with its button images taken
// from one image strip (bitmap 311) as three image lists: normal, hot
// (darkened) and disabled (light grey).
#pragma once
#include "framework/framework.h"

class CAlphaImageList {
public:
    CAlphaImageList() = default;
    virtual ~CAlphaImageList();

    // Creates the three empty lists for cx by cy images with room for
    // nInitial images; 32-bit lists on common controls 6 or later, else 24.
    BOOL Create(int cx, int cy, int nInitial);
    // Fills the three lists from the strip; FALSE before a successful Create.
    BOOL LoadImages();

    HIMAGELIST Normal() const { return m_listNormal; }
    HIMAGELIST Hot() const { return m_listHot; }
    HIMAGELIST Disabled() const { return m_listDisabled; }
    int Depth() const { return m_nDepth; }

private:
    void DestroyLists();

    HIMAGELIST m_listNormal = nullptr;
    HIMAGELIST m_listHot = nullptr;
    HIMAGELIST m_listDisabled = nullptr;
    int m_nDepth = 0;
    int m_cxImage = -1;
    int m_cyImage = -1;
};

// The pixel maps of the three lists (byte values; key-colour pixels of the
// 24-bit lists stay as they are).
unsigned char HotChannel(unsigned char c);
unsigned char DisabledGrey(unsigned char r, unsigned char g, unsigned char b);

class CAlphaToolBar : public CToolBar {
public:
    CAlphaToolBar() = default;
    ~CAlphaToolBar() override = default;

    // Reads the toolbar resource (command ids and image size), sets the
    // buttons and sizes, and hands the three image lists to the control.
    BOOL LoadToolBar(UINT nIDResource);
    const CAlphaImageList& Images() const { return m_imageList; }

private:
    CAlphaImageList m_imageList;
};
