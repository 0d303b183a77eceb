// The document: holds no data and reads no file; it only knows the two
// views that publish themselves in their OnCreate.
#pragma once
#include "framework/framework.h"

class CTarnwellView;
class CLeftView;

class CTarnwellDoc : public CDocument {
    DECLARE_DYNCREATE(CTarnwellDoc)
protected:
    CTarnwellDoc() = default;

public:
    ~CTarnwellDoc() override = default;
    BOOL OnNewDocument() override { return CDocument::OnNewDocument(); }

    CTarnwellView* m_pItemListView = nullptr;
    CLeftView* m_pLeftView = nullptr;

protected:
    DECLARE_MESSAGE_MAP()
};
