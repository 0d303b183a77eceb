#include "app/TarnwellDoc.h"

IMPLEMENT_DYNCREATE(CTarnwellDoc, CDocument)

BEGIN_MESSAGE_MAP(CTarnwellDoc, CDocument)
END_MESSAGE_MAP()
