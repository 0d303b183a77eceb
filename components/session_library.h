// The session library "CorvaneRedmp.RDOSessionCorvane": a session whose
// log-on sees the stores the item writer created in this process, their
// folders by path, a folder's items, and new contact items that take their
// properties one by one and are stored by save.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "components/dispatch_object.h"
#include "components/open_store.h"

namespace components {

enum SessionLibraryDispid : DISPID {
    kDispLogon = 4,                      // session, method
    kDispFolderByPath = 0x60020016,      // session, method
    kDispItems = 0x11,                   // folder, property
    kDispAddItem = 4,                    // items, method
    kDispAttachFile = 0x600400E0,        // item, method
    kDispRtfBody = 0x45,                 // item, property (RTF text)
    kDispPlainBody = 0xB,                // item, property
    kDispSave = 6,                       // item, method
};

constexpr long kItemKindContact = 2;

extern const LibraryInfo kSessionLibrary;

class Session : public DispatchObject {
protected:
    void Call(const MemberInfo& member, WORD kind, const DispatchArgs& args, VARIANT& result) override;
    const InterfaceInfo& Interface() const override;

private:
    bool loggedOn_ = false;
};

}  // namespace components
