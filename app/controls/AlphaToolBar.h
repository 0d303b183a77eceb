// The main window's toolbar: the stock toolbar with its button images taken
// from one image strip (bitmap 311) as three image lists: normal, hot
// (darkened) and disabled (light grey).
#pragma once
#include "framework/framework.h"

#include <shlwapi.h>

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

// The colour depth of the lists for a common-controls library whose
// DllGetVersion is `getVersion` (null when it has none): 32 from major
// version 6 on, 24 otherwise or when the call fails.
int ImageListDepthFor(DLLGETVERSIONPROC getVersion);

// The pixel maps of the three lists (byte values; key-colour pixels of the
// 24-bit lists stay as they are). The disabled grey sums its luma terms in
// a different order for 32-bit and 24-bit pixels; the last bit can differ.
unsigned char HotChannel(unsigned char c);
unsigned char DisabledGrey32(unsigned char r, unsigned char g, unsigned char b);
unsigned char DisabledGrey24(unsigned char r, unsigned char g, unsigned char b);

// One pass over a bottom-up strip of `bytesPerPixel` (3 or 4) bytes per
// pixel in blue, green, red (alpha) order, rows padded to 4 bytes: writes
// `out` from `source` (same size); padding and alpha stay as copied.
enum class ImagePass { Normal, Disabled, Hot };
void ApplyImagePass(ImagePass pass, const unsigned char* source, unsigned char* out, int width, int height,
                    int bytesPerPixel);

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
