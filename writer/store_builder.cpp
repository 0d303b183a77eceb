#include "writer/store_builder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <system_error>

#include "format/bytes.h"
#include "format/layout.h"
#include "format/props.h"
#include "writer/file_source.h"
#include "writer/msg_schema.h"
#include "writer/rtf_compress.h"

namespace writer {

namespace {
// The folder ids of an offline store made by Exchange: readers that find no
// IPM subtree entry id (offline stores have none) look for the top folder at
// 0x2142, so writer-made stores of both kinds keep it there.
constexpr uint32_t kNidIpmSubtree = 0x2142;
constexpr uint32_t kNidDeletedItems = 0x2162;
constexpr uint32_t kNidSearchRoot = 0x8042;
constexpr uint32_t kNidSpamSearchFolder = 0x2223;
constexpr int32_t kMsgFlagRead = 0x01;
constexpr int32_t kMsgFlagHasAttach = 0x10;
constexpr uint16_t kPidAttachDataObjectId = fmt::kPidAttachDataBinary;
// Store properties a store made by Outlook carries.
constexpr uint16_t kPidPstLrNoRestrictions = 0x6633;
constexpr uint16_t kPidLatestPstEnsure = 0x66FA;
constexpr int32_t kLatestPstEnsure = 0xE0011;
// Internal nodes of a new store made by Outlook: an empty index (a heap
// whose user root names an empty 4-byte-key B-tree), and empty nodes.
constexpr uint32_t kNidIndexRoot = 0xC01;
constexpr uint8_t kClientSigIndexRoot = 0x9C;
constexpr uint32_t kEmptyInternalNodes[] = {0xE41, 0xEC1, 0xF21};

uint32_t TableNid(uint32_t folderNid, uint8_t type) { return (folderNid & ~fmt::kNidTypeMask) | type; }

// Values of a property set that a table's columns show.
PropertySet RowValues(const PropertySet& from, const std::vector<TableColumn>& columns) {
    PropertySet row(from.variant());
    for (const TableColumn& c : columns) {
        const uint32_t tag = TagForVariant(from.variant(), c.tag);
        const PropValue* v = from.Find(fmt::TagId(tag));
        if (v && v->type == fmt::TagType(tag)) row.Set(tag, v->bytes);
    }
    return row;
}

Bytes SearchKey(uint32_t seed) {
    Bytes key(16);
    uint32_t x = seed * 2654435761u + 0x9E3779B9u;
    for (auto& b : key) {
        x ^= x << 13; x ^= x >> 17; x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return key;
}

// A new 16-byte key: the system's random source, mixed with the clock so
// that a random source without entropy still gives each store its own key.
Bytes NewRecordKey() {
    std::random_device device;
    uint64_t x = (uint64_t(device()) << 32) ^ device() ^
                 static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    static uint64_t counter = 0;
    x ^= ++counter * 0x9E3779B97F4A7C15ull;
    Bytes key(16);
    for (size_t i = 0; i < key.size(); i += 8) {
        x += 0x9E3779B97F4A7C15ull;                       // splitmix64
        uint64_t z = x;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        for (size_t j = 0; j < 8; ++j) key[i + j] = static_cast<uint8_t>(z >> (8 * j));
    }
    return key;
}

// Non-heap bytes: a block whose client signature no reader accepts.
NodeData UnreadableData() {
    NodeData d;
    d.stream = {0x0C, 0x00, 0x00, 0x00, 0xDE, 0xAD, 0xBE, 0xEF, 0, 0, 0, 0};
    return d;
}

// Pads a heap with empty pages until its data tree needs a second level.
void PadToTwoLevels(NodeData& data, Variant v) {
    const size_t bidSize = v == Variant::Unicode ? 8 : 4;
    const size_t perXBlock = (MaxBlockData(v) - 8) / bidSize;
    if (data.blocks.empty()) return;
    while (data.blocks.size() <= perXBlock) data.blocks.push_back(Bytes{0x02, 0x00, 0, 0, 0, 0});
}
}  // namespace

uint64_t FileTimeNow() {
    using namespace std::chrono;
    const auto since1970 = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    return static_cast<uint64_t>(since1970) * 10 + 116444736000000000ull;
}

// ---- Message ---------------------------------------------------------------

Message::Message(Variant variant, NameMap* names, std::string messageClass)
    : props_(variant), names_(names) {
    props_.SetString(fmt::kPidMessageClass, Utf16FromAscii(messageClass));
}

void Message::SetSubject(const std::u16string& subject) {
    props_.SetString(fmt::kPidSubject, subject);
    props_.SetString(fmt::kPidConversationTopic, subject);
}
void Message::SetSubjectWithPrefix(const std::u16string& subject, size_t prefixLength) {
    std::u16string stored;
    stored.push_back(0x0001);
    stored.push_back(static_cast<char16_t>(prefixLength));
    props_.SetString(fmt::kPidSubject, stored + subject);
    props_.SetString(fmt::kPidConversationTopic, subject.substr(std::min(prefixLength, subject.size())));
}

void Message::SetBody(const std::u16string& text) { props_.SetString(fmt::kPidBody, text); }
void Message::SetHtmlBody(const std::string& html) {
    props_.SetBinary(fmt::kPidHtml, Bytes(html.begin(), html.end()));
}
void Message::SetRtfBody(const std::string& rtf) {
    props_.SetBinary(fmt::kPidRtfCompressed, CompressRtf(rtf));
    props_.SetBool(fmt::kPidRtfInSync, true);
}
void Message::SetSender(const std::u16string& name, const std::u16string& email) {
    props_.SetString(fmt::kPidSenderName, name);
    props_.SetString(fmt::kPidSenderEmailAddress, email);
    props_.SetString(fmt::kPidSenderAddressType, u"SMTP");
    props_.SetString(fmt::kPidSentRepresentingName, name);
    props_.SetString(fmt::kPidSentRepresentingEmailAddress, email);
    props_.SetString(fmt::kPidSentRepresentingAddressType, u"SMTP");
}
void Message::SetRead(bool read) {
    const int32_t flags = props_.Int32Or(fmt::kPidMessageFlags, kMsgFlagRead);
    props_.SetInt32(fmt::kPidMessageFlags, read ? (flags | kMsgFlagRead) : (flags & ~kMsgFlagRead));
}

PropertySet& Message::AddRecipient(const std::u16string& name, const std::u16string& email, int type,
                                   const std::u16string& addressType) {
    recipients_.emplace_back(variant());
    PropertySet& r = recipients_.back();
    r.SetInt32(fmt::kPidRecipientType, type);
    r.SetBool(fmt::kPidResponsibility, true);
    r.SetInt32(fmt::kPidObjectType, 6);                       // MAPI_MAILUSER
    r.SetInt32(fmt::kPidDisplayType, 0);
    r.SetString(fmt::kPidDisplayName, name);
    r.SetString(fmt::kPidAddressType, addressType);
    r.SetString(fmt::kPidEmailAddress, email);
    r.SetBool(fmt::kPidSendRichInfo, false);
    Bytes key = TextBytes(Variant::Ansi, addressType + u":" + email);
    r.SetBinary(fmt::kPidSearchKey, key);
    std::u16string& list = type == 2 ? displayCc_ : type == 3 ? displayBcc_ : displayTo_;
    if (!list.empty()) list += u"; ";
    list += name;
    return r;
}

Attachment& Message::AddAttachment(const std::u16string& filename, Bytes data) {
    attachments_.emplace_back(variant());
    Attachment& a = attachments_.back();
    a.props.SetInt32(fmt::kPidAttachMethod, 1);
    a.props.SetInt32(fmt::kPidRenderingPosition, -1);
    a.props.SetString(fmt::kPidAttachFilename, filename);
    a.props.SetString(fmt::kPidAttachLongFilename, filename);
    a.props.SetString(fmt::kPidDisplayName, filename);
    const size_t dot = filename.rfind(u'.');
    if (dot != std::u16string::npos) a.props.SetString(fmt::kPidAttachExtension, filename.substr(dot));
    a.props.SetBinary(fmt::kPidAttachDataBinary, std::move(data));
    return a;
}

Attachment& Message::AddAttachmentFromFile(const std::u16string& filename, const std::filesystem::path& file) {
    Attachment& a = AddAttachment(filename, Bytes());
    a.props.SetBinaryStream(fmt::kPidAttachDataBinary, OpenFileSource(file));
    return a;
}

Message& Message::AddEmbeddedMessage(const std::u16string& displayName, const std::string& messageClass) {
    attachments_.emplace_back(variant());
    Attachment& a = attachments_.back();
    a.props.SetInt32(fmt::kPidAttachMethod, 5);
    a.props.SetInt32(fmt::kPidRenderingPosition, -1);
    a.props.SetString(fmt::kPidDisplayName, displayName);
    a.embedded = std::make_unique<Message>(variant(), names_, messageClass);
    a.embedded->SetSubject(displayName);
    return *a.embedded;
}

// ---- StoreBuilder ------------------------------------------------------------

StoreBuilder::StoreBuilder(const StoreOptions& options, const std::u16string& storeName)
    : options_(options), ndb_(options), store_(options.variant), recordKey_(NewRecordKey()) {
    NewFolder(fmt::kNidRootFolder, fmt::kNidRootFolder, u"");
    NewFolder(kNidIpmSubtree, fmt::kNidRootFolder, u"Top of Personal Folders");
    NewFolder(kNidSearchRoot, fmt::kNidRootFolder, u"Search Root");
    Folder& spam = NewFolder(kNidSpamSearchFolder, fmt::kNidRootFolder, u"SPAM Search Folder 2");
    spam.search = true;
    NewFolder(kNidDeletedItems, kNidIpmSubtree, u"Deleted Items");

    store_.SetString(fmt::kPidDisplayName, storeName);
    SetRecordKey(recordKey_);
    // FOLDER_IPM_SUBTREE_VALID | FOLDER_IPM_WASTEBASKET_VALID | FOLDER_FINDER_VALID
    store_.SetInt32(fmt::kPidValidFolderMask, 0x89);
    store_.SetInt32(fmt::kPidReplFlags, 0);
    store_.SetInt32(fmt::kPidPstPassword, 0);
    store_.SetBool(kPidPstLrNoRestrictions, true);
    store_.SetInt32(kPidLatestPstEnsure, kLatestPstEnsure);
}

StoreBuilder::~StoreBuilder() = default;

uint32_t StoreBuilder::RootFolder() const { return fmt::kNidRootFolder; }
uint32_t StoreBuilder::IpmSubtree() const { return kNidIpmSubtree; }
uint32_t StoreBuilder::DeletedItems() const { return kNidDeletedItems; }
uint32_t StoreBuilder::SearchRoot() const { return kNidSearchRoot; }

void StoreBuilder::SetRecordKey(const Bytes& key) {
    if (key.size() != 16) throw std::invalid_argument("a record key has 16 bytes");
    recordKey_ = key;
    store_.SetBinary(fmt::kPidRecordKey, recordKey_);
    if (!options_.ost) store_.SetBinary(fmt::kPidIpmSubTreeEntryId, EntryId(kNidIpmSubtree));
    store_.SetBinary(fmt::kPidIpmWastebasketEntryId, EntryId(kNidDeletedItems));
    store_.SetBinary(fmt::kPidFinderEntryId, EntryId(kNidSearchRoot));
}

Bytes StoreBuilder::EntryId(uint32_t nid) const {
    Bytes id(24, 0);
    std::copy(recordKey_.begin(), recordKey_.end(), id.begin() + 4);
    fmt::StoreLe32(&id[20], nid);
    return id;
}

StoreBuilder::Folder& StoreBuilder::NewFolder(uint32_t nid, uint32_t parent, const std::u16string& name) {
    if (folders_.count(nid)) throw std::invalid_argument("folder id used twice");
    auto f = std::make_unique<Folder>(options_.variant);
    f->nid = nid;
    f->parent = parent;
    f->props.SetString(fmt::kPidDisplayName, name);
    Folder& ref = *f;
    folders_[nid] = std::move(f);
    if (nid != parent) {
        Folder& p = *folders_.at(parent);
        p.children.push_back(nid);
        p.propsDirty = p.hierarchyDirty = true;
        // The parent's subfolder flag is also a column of its own row.
        if (p.parent != p.nid) folders_.at(p.parent)->hierarchyDirty = true;
    }
    return ref;
}

uint32_t StoreBuilder::AddFolder(uint32_t parent, const std::u16string& name,
                                 const std::string& containerClass, uint32_t nid) {
    if (finished_) throw std::logic_error("the store is already written");
    if (!folders_.count(parent)) throw std::invalid_argument("no such parent folder");
    if (nid == 0) nid = fmt::MakeNid(fmt::kNidTypeNormalFolder, nextFolderIndex_++);
    Folder& f = NewFolder(nid, parent, name);
    if (!containerClass.empty())
        f.props.SetString(fmt::kPidContainerClass, Utf16FromAscii(containerClass));
    return nid;
}

PropertySet& StoreBuilder::FolderProperties(uint32_t folder) {
    Folder& f = *folders_.at(folder);
    f.propsDirty = true;
    if (f.parent != f.nid) folders_.at(f.parent)->hierarchyDirty = true;
    return f.props;
}

Message& StoreBuilder::AddMessage(uint32_t folder, const std::string& messageClass, uint32_t nid) {
    if (finished_) throw std::logic_error("the store is already written");
    if (!folders_.count(folder)) throw std::invalid_argument("no such folder");
    if (nid == 0) nid = fmt::MakeNid(fmt::kNidTypeNormalMessage, nextMessageIndex_++);
    pending_.push_back(std::make_unique<Message>(options_.variant, &names_, messageClass));
    Message& m = *pending_.back();
    m.nid_ = nid;
    m.folder_ = folder;
    return m;
}

Message& StoreBuilder::AddAssociatedMessage(uint32_t folder, const std::string& messageClass) {
    return AddMessage(folder, messageClass, fmt::MakeNid(fmt::kNidTypeAssocMessage, nextAssocIndex_++));
}

Message& StoreBuilder::AddReplaceableMessage(uint32_t folder, const std::string& messageClass) {
    Message& m = AddMessage(folder, messageClass);
    m.replaceable_ = true;
    replaceable_[m.nid_].folder = folder;
    return m;
}

Message& StoreBuilder::ReplaceMessage(uint32_t nid, const std::string& messageClass) {
    auto it = replaceable_.find(nid);
    if (it == replaceable_.end()) throw std::invalid_argument("no replaceable message of this id");
    Message& m = AddMessage(it->second.folder, messageClass, nid);
    m.replaceable_ = true;
    return m;
}

LtpNode StoreBuilder::BuildMessage(Message& m, SubnodeIds& ids) {
    PropertySet& p = m.props_;
    const Variant v = options_.variant;
    if (!p.Has(fmt::kPidMessageFlags)) p.SetInt32(fmt::kPidMessageFlags, kMsgFlagRead);
    if (!p.Has(fmt::kPidMessageStatus)) p.SetInt32(fmt::kPidMessageStatus, 0);
    if (!p.Has(fmt::kPidImportance)) p.SetInt32(fmt::kPidImportance, 1);
    const uint64_t now = defaultTime_ ? defaultTime_ : FileTimeNow();
    if (!p.Has(fmt::kPidCreationTime)) p.SetTime(fmt::kPidCreationTime, now);
    if (!p.Has(fmt::kPidLastModificationTime)) p.SetTime(fmt::kPidLastModificationTime, now);
    if (!p.Has(fmt::kPidSearchKey)) p.SetBinary(fmt::kPidSearchKey, SearchKey(m.nid_ ^ 0x4D53));
    if (!m.attachments_.empty()) {
        p.SetInt32(fmt::kPidMessageFlags, p.Int32Or(fmt::kPidMessageFlags, 0) | kMsgFlagHasAttach);
        p.SetBool(fmt::kPidHasAttachments, true);
    }
    if (!p.Has(fmt::kPidDisplayTo)) p.SetString(fmt::kPidDisplayTo, m.displayTo_);
    if (!p.Has(fmt::kPidDisplayCc) && !m.displayCc_.empty()) p.SetString(fmt::kPidDisplayCc, m.displayCc_);
    if (!p.Has(fmt::kPidDisplayBcc) && !m.displayBcc_.empty()) p.SetString(fmt::kPidDisplayBcc, m.displayBcc_);
    p.SetInt32(fmt::kPidMessageSize, 0);

    std::vector<Subnode> subnodes;
    TableContextBuilder recipients(v, RecipientColumns(), ids);
    for (size_t i = 0; i < m.recipients_.size(); ++i) recipients.AddRow(static_cast<uint32_t>(i), m.recipients_[i]);
    // A table's own subnodes (its row matrix when large) belong in the
    // table's subnode tree, where readers look for them.
    LtpNode rt = recipients.Build();
    subnodes.push_back(Subnode{fmt::kSubnidRecipientTable, std::move(rt.data), std::move(rt.subnodes)});

    if (!m.attachments_.empty()) {
        TableContextBuilder table(v, AttachmentColumns(), ids);
        // One id counter for the whole message tree: readers search a
        // message's subnodes depth first, so every id must be unique in it.
        for (Attachment& a : m.attachments_) {
            if (a.embedded) {
                LtpNode e = BuildMessage(*a.embedded, ids);
                const uint32_t size = static_cast<uint32_t>(StoredSize(e));
                a.props.SetObject(kPidAttachDataObjectId, Subnode{0, std::move(e.data), std::move(e.subnodes)}, size);
            }
            a.props.SetInt32(fmt::kPidAttachSize, 0);
            LtpNode pc = BuildPropertyContext(a.props, ids);
            const uint32_t size = static_cast<uint32_t>(StoredSize(pc));
            PatchInlineValue(pc.data, fmt::kPidAttachSize, size);
            a.props.SetInt32(fmt::kPidAttachSize, static_cast<int32_t>(size));
            const uint32_t nid = ids.Next(fmt::kNidTypeAttachment);
            table.AddRow(nid, a.props);
            subnodes.push_back(Subnode{nid, std::move(pc.data), std::move(pc.subnodes)});
            a.props = PropertySet(v);
            a.embedded.reset();
        }
        LtpNode at = table.Build();
        subnodes.push_back(Subnode{fmt::kSubnidAttachmentTable, std::move(at.data), std::move(at.subnodes)});
    }

    LtpNode out = BuildPropertyContext(p, ids);
    for (Subnode& s : subnodes) out.subnodes.push_back(std::move(s));
    std::sort(out.subnodes.begin(), out.subnodes.end(),
              [](const Subnode& a, const Subnode& b) { return a.nid < b.nid; });
    const uint32_t size = static_cast<uint32_t>(StoredSize(out));
    PatchInlineValue(out.data, fmt::kPidMessageSize, size);
    p.SetInt32(fmt::kPidMessageSize, static_cast<int32_t>(size));
    return out;
}

void StoreBuilder::AddLtpNode(uint32_t nid, uint32_t parent, LtpNode node, bool replaceable) {
    if (std::count(damage_.unreadableNids.begin(), damage_.unreadableNids.end(), nid)) {
        node.data = UnreadableData();
    } else if (std::count(damage_.twoLevelDataTreeNids.begin(), damage_.twoLevelDataTreeNids.end(), nid)) {
        PadToTwoLevels(node.data, options_.variant);
    }
    Node n;
    n.nid = nid;
    n.parentNid = parent;
    n.data = std::move(node.data);
    n.subnodes = std::move(node.subnodes);
    if (replaceable) ndb_.PutNode(std::move(n));
    else ndb_.AddNode(std::move(n));
}

void StoreBuilder::Commit() {
    for (auto& pm : pending_) {
        Message& m = *pm;
        SubnodeIds ids;
        LtpNode node = BuildMessage(m, ids);
        Folder& f = *folders_.at(m.folder_);
        const bool assoc = fmt::NidType(m.nid_) == fmt::kNidTypeAssocMessage;
        CompactRows& rows = assoc ? f.assoc : f.contents;
        StoredVersion* version = m.replaceable_ ? &replaceable_[m.nid_] : nullptr;
        if (version && version->committed) {          // the new version takes the old one's row
            rows.Drop(m.nid_);
            if (version->unread) --f.unread;
        }
        rows.Add(m.nid_, RowValues(m.props_, assoc ? AssocContentsColumns() : ContentsColumns()));
        (assoc ? f.assocDirty : f.contentsDirty) = true;
        f.propsDirty = true;
        if (f.parent != f.nid) folders_.at(f.parent)->hierarchyDirty = true;
        const bool unread = !assoc && !(m.props_.Int32Or(fmt::kPidMessageFlags, 0) & kMsgFlagRead);
        if (unread) ++f.unread;
        if (version) *version = StoredVersion{m.folder_, true, unread};
        AddLtpNode(m.nid_, m.folder_, std::move(node), m.replaceable_);
    }
    pending_.clear();
}

LtpNode StoreBuilder::BuildTable(const std::vector<TableColumn>& columns, uint32_t nid, const CompactRows& rows) {
    SubnodeIds ids;
    TableContextBuilder table(options_.variant, columns, ids);
    table.SetBlockSink([this](const Bytes& b) { return ndb_.WriteDataBlock(b.data(), b.size()); });
    rows.ForEach(options_.variant, [&](uint32_t rowId, const PropertySet& values) { table.AddRow(rowId, values); });
    if (std::count(damage_.zeroRowIndexRootNids.begin(), damage_.zeroRowIndexRootNids.end(), nid))
        table.SetZeroRowIndexRoot(true);
    return table.Build();
}

void StoreBuilder::WriteMetadata() {
    const Variant v = options_.variant;
    const CompactRows none;

    std::vector<TableColumn> contentsColumns = ContentsColumns();
    if (!damage_.contentsCellSizes.empty()) {
        for (TableColumn& column : contentsColumns) {
            column.ibData = kAutoPlace;
            auto it = damage_.contentsCellSizes.find(TagForVariant(v, column.tag));
            if (it != damage_.contentsCellSizes.end()) column.cbData = it->second;
        }
    }

    // Folders: counts first, then each folder's node and its three tables,
    // each written again only when it changed.
    for (auto& entry : folders_) {
        Folder& f = *entry.second;
        if (!f.propsDirty) continue;
        f.props.SetInt32(fmt::kPidContentCount, static_cast<int32_t>(f.contents.size()));
        f.props.SetInt32(fmt::kPidContentUnreadCount, f.unread);
        f.props.SetBool(fmt::kPidSubfolders, !f.children.empty());
        if (!f.assoc.empty()) f.props.SetInt32(fmt::kPidAssocContentCount, static_cast<int32_t>(f.assoc.size()));
    }
    for (auto& entry : folders_) {
        Folder& f = *entry.second;
        SubnodeIds ids;
        if (f.propsDirty) AddLtpNode(f.nid, f.parent, BuildPropertyContext(f.props, ids), true);
        f.propsDirty = false;
        if (f.search) {
            if (f.contentsDirty) {
                const uint32_t c = TableNid(f.nid, fmt::kNidTypeSearchContentsTable);
                AddLtpNode(c, 0, BuildTable(SearchContentsColumns(), c, none), true);
                ndb_.PutNode(Node{TableNid(f.nid, fmt::kNidTypeSearchUpdateQueue), 0, {}, {}});
                PropertySet criteria(v);
                criteria.SetInt32(fmt::kPidSearchFolderCriteriaFlags, 0);
                AddLtpNode(TableNid(f.nid, fmt::kNidTypeSearchCriteriaObject), 0,
                           BuildPropertyContext(criteria, ids), true);
            }
            f.contentsDirty = f.hierarchyDirty = f.assocDirty = false;
            continue;
        }
        if (f.hierarchyDirty) {
            CompactRows children;
            for (uint32_t c : f.children) children.Add(c, RowValues(folders_.at(c)->props, HierarchyColumns()));
            const uint32_t h = TableNid(f.nid, fmt::kNidTypeHierarchyTable);
            AddLtpNode(h, 0, BuildTable(HierarchyColumns(), h, children), true);
        }
        if (f.contentsDirty) {
            const uint32_t c = TableNid(f.nid, fmt::kNidTypeContentsTable);
            AddLtpNode(c, 0, BuildTable(contentsColumns, c, f.contents), true);
            f.contents.Trim();
        }
        if (f.assocDirty) {
            const uint32_t a = TableNid(f.nid, fmt::kNidTypeAssocContentsTable);
            AddLtpNode(a, 0, BuildTable(AssocContentsColumns(), a, f.assoc), true);
        }
        f.hierarchyDirty = f.contentsDirty = f.assocDirty = false;
    }

    // The message store and the name-to-id map.
    SubnodeIds ids;
    AddLtpNode(fmt::kNidMessageStore, 0, BuildPropertyContext(store_, ids), true);
    // Readers reject a map whose entry stream is empty, as Outlook's new
    // files never have one: register one name when nothing else did.
    if (names_.size() == 0) names_.Id(kPsetidCommon, 0x8503);
    if (!damage_.omitNameToIdMap)
        AddLtpNode(fmt::kNidNameToIdMap, 0, BuildPropertyContext(names_.Properties(v), ids), true);

    if (fixedNodesWritten_) return;
    fixedNodesWritten_ = true;
    // Internal nodes and template tables: the same at every checkpoint.
    ndb_.AddNode(Node{fmt::kNidSearchManagementQueue, 0, {}, {}});
    Node activity{fmt::kNidSearchActivityList, 0, {}, {}};
    activity.data.stream = {0x23, 0x22, 0x00, 0x00};
    ndb_.AddNode(std::move(activity));
    ndb_.AddNode(Node{0x261, 0, {}, {}});
    for (uint32_t nid : kEmptyInternalNodes) ndb_.AddNode(Node{nid, 0, {}, {}});
    {
        HeapBuilder heap(v, kClientSigIndexRoot);
        uint8_t root[4];
        fmt::StoreLe32(root, WriteBth(heap, 4, 4, Bytes()));
        heap.SetUserRoot(heap.Allocate(root, sizeof root));
        Node index{kNidIndexRoot, 0, {}, {}};
        index.data.blocks = heap.Finish();
        ndb_.AddNode(std::move(index));
    }

    AddLtpNode(fmt::kNidHierarchyTableTemplate, 0, BuildTable(HierarchyColumns(), 0, none));
    AddLtpNode(fmt::kNidContentsTableTemplate, 0, BuildTable(ContentsColumns(), 0, none));
    AddLtpNode(fmt::kNidAssocContentsTableTemplate, 0, BuildTable(AssocContentsColumns(), 0, none));
    AddLtpNode(fmt::kNidSearchContentsTableTemplate, 0, BuildTable(SearchContentsColumns(), 0, none));
    AddLtpNode(fmt::kNidAttachmentTableTemplate, 0, BuildTable(AttachmentColumns(), 0, none));
    AddLtpNode(fmt::kNidRecipientTableTemplate, 0, BuildTable(RecipientColumns(), 0, none));
    PropertySet receive(v);
    receive.SetString(fmt::kPidMessageClass, u"");
    receive.SetInt32(fmt::kPidReceiveFolderNid, static_cast<int32_t>(fmt::kNidRootFolder));
    CompactRows receiveRows;
    receiveRows.Add(1, receive);
    AddLtpNode(0x62B, 0, BuildTable(ReceiveFolderColumns(), 0x62B, receiveRows));
    AddLtpNode(0x64C, 0, BuildTable(OutgoingQueueColumns(), 0x64C, none));
    AddLtpNode(0x6B6, 0, BuildTable(ChangeTemplateColumns(0), 0x6B6, none));
    AddLtpNode(0x6D7, 0, BuildTable(ChangeTemplateColumns(1), 0x6D7, none));
    AddLtpNode(0x6F8, 0, BuildTable(ChangeTemplateColumns(2), 0x6F8, none));
}

void StoreBuilder::Seal() {
    if (finished_) return;
    Commit();
    WriteMetadata();
    finished_ = true;
}

bool StoreBuilder::StreamTo(const std::string& path) {
    if (finished_) return false;
    return ndb_.StreamTo(path);
}

bool StoreBuilder::Checkpoint() {
    if (finished_ || !ndb_.Streaming()) {
        if (!finished_) Commit();
        return false;
    }
    Commit();
    WriteMetadata();
    return ndb_.Checkpoint();
}

bool StoreBuilder::Finish() {
    if (!ndb_.Streaming()) return false;
    Seal();
    return ndb_.Close();
}

bool StoreBuilder::WriteFile(const std::string& path) {
    Seal();
    return ndb_.WriteFile(path);
}

std::vector<uint8_t> StoreBuilder::WriteMemory() {
    Seal();
    return ndb_.WriteMemory();
}

}  // namespace writer
