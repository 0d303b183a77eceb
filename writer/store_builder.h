// Builds a whole store: the mandatory nodes of a new personal store (message
// store, name-to-id map, root folder, top of personal folders, deleted
// items, search root, table templates), folders at any depth with their
// hierarchy, contents and associated contents tables, and messages of any
// class with recipients, attachments and embedded messages.
//
//   writer::StoreBuilder b(writer::StoreOptions{});
//   auto inbox = b.AddFolder(b.IpmSubtree(), u"Inbox", "IPF.Note");
//   writer::Message& m = b.AddMessage(inbox, "IPM.Note");
//   m.SetSubject(u"Hello");
//   m.SetBody(u"Body text");
//   m.AddRecipient(u"Ann", u"ann@example.com");
//   m.AddAttachment(u"a.txt", bytes);
//   m.SetTime(b.NamedId(writer::kPsetidAppointment, 0x820D), filetime);
//   b.WriteFile(path);
//
// Messages are turned into nodes when Commit() or WriteFile() runs; after a
// Commit the Message references handed out before are no longer valid, and
// after WriteFile nothing more can be added.
//
// A store of any size is written as it grows:
//   b.StreamTo(path);            // the file is created here
//   ... AddFolder / AddMessage ...
//   b.Checkpoint();              // the file is a complete store of all so far
//   ... more ...
//   b.Finish();                  // the last checkpoint; closes the file
// A process that stops after a Checkpoint leaves a file holding everything
// up to it (the file may run on past the end its header records: blocks of
// the batch cut short, which no tree points at). Memory stays small: a
// message's payload is freed when it is committed, attachments added from
// files are read in pieces then, and what is kept per message (its contents
// table row and B-tree records) is a few hundred bytes. While streaming, a
// worker thread hands the file's bytes to the system.
#pragma once
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "writer/ltp_context.h"
#include "writer/msg_name_map.h"
#include "writer/msg_rows.h"
#include "writer/ndb_writer.h"

namespace writer {

constexpr uint64_t kDefaultFileTime = 0x01D5C03669050000ull;   // 2020-01-01 00:00 UTC

// The system clock as a file time (100 ns units since 1601, UTC).
uint64_t FileTimeNow();

class Message;

struct Attachment {
    explicit Attachment(Variant v) : props(v) {}
    PropertySet props;
    std::unique_ptr<Message> embedded;         // attach method 5: an embedded message
};

class Message {
public:
    Message(Variant variant, NameMap* names, std::string messageClass);

    PropertySet& Props() { return props_; }
    const PropertySet& Props() const { return props_; }
    Variant variant() const { return props_.variant(); }
    uint32_t nid() const { return nid_; }

    void SetProperty(uint32_t tag, Bytes bytes) { props_.Set(tag, std::move(bytes)); }
    void SetString(uint16_t id, const std::u16string& text) { props_.SetString(id, text); }
    void SetInt32(uint16_t id, int32_t v) { props_.SetInt32(id, v); }
    void SetBool(uint16_t id, bool v) { props_.SetBool(id, v); }
    void SetTime(uint16_t id, uint64_t filetime) { props_.SetTime(id, filetime); }
    void SetBinary(uint16_t id, Bytes bytes) { props_.SetBinary(id, std::move(bytes)); }
    // Named properties of this message's store.
    uint16_t Named(const Guid& guid, uint32_t lid) { return names_->Id(guid, lid); }
    uint16_t Named(const Guid& guid, const std::u16string& name) { return names_->Id(guid, name); }

    void SetSubject(const std::u16string& subject);
    // A subject whose first prefixLength characters are a prefix ("RE: "),
    // stored behind the marker and prefix-length characters Outlook writes.
    void SetSubjectWithPrefix(const std::u16string& subject, size_t prefixLength);
    void SetBody(const std::u16string& text);                 // PidTagBody
    void SetHtmlBody(const std::string& html);                // PidTagHtml, binary
    void SetRtfBody(const std::string& rtf);                  // PidTagRtfCompressed, LZFu
    void SetSender(const std::u16string& name, const std::u16string& email);
    void SetRead(bool read);

    // type: 1 To, 2 Cc, 3 Bcc. The returned set takes further row values.
    PropertySet& AddRecipient(const std::u16string& name, const std::u16string& email, int type = 1,
                              const std::u16string& addressType = u"SMTP");
    // A by-value attachment (method 1); its data lives in the heap, in a
    // subnode, or in a data tree, as its size asks.
    Attachment& AddAttachment(const std::u16string& filename, Bytes data);
    // A by-value attachment whose data is read from the file in pieces when
    // the message is committed, never held whole. The file is opened then
    // (a file that cannot be opened gives an attachment without data) and
    // read to the size it had when opened.
    Attachment& AddAttachmentFromFile(const std::u16string& filename, const std::filesystem::path& file);
    // An embedded message (method 5).
    Message& AddEmbeddedMessage(const std::u16string& displayName, const std::string& messageClass);

    const std::vector<PropertySet>& recipients() const { return recipients_; }
    const std::deque<Attachment>& attachments() const { return attachments_; }

private:
    friend class StoreBuilder;
    PropertySet props_;
    NameMap* names_;
    uint32_t nid_ = 0;
    uint32_t folder_ = 0;
    bool replaceable_ = false;
    std::vector<PropertySet> recipients_;
    std::u16string displayTo_, displayCc_, displayBcc_;
    std::deque<Attachment> attachments_;
};

// Damage at the level of heaps, tables and messaging objects, for reader
// tests; node-level damage is NdbDamage(). Off by default.
struct LtpDamage {
    bool omitNameToIdMap = false;                   // no node 0x61
    std::vector<uint32_t> zeroRowIndexRootNids;     // tables whose row index root HID is 0
    std::vector<uint32_t> unreadableNids;           // nodes whose data is not a heap
    std::vector<uint32_t> twoLevelDataTreeNids;     // heaps padded into an XXBLOCK data tree
    // Cell sizes that replace those of contents table columns (by tag, e.g.
    // 5 for a cell that holds its value instead of an HNID).
    std::map<uint32_t, uint8_t> contentsCellSizes;
};

class StoreBuilder {
public:
    explicit StoreBuilder(const StoreOptions& options, const std::u16string& storeName = u"Personal Folders");
    ~StoreBuilder();

    Variant variant() const { return options_.variant; }

    uint32_t RootFolder() const;                     // 0x122
    uint32_t IpmSubtree() const;                     // "Top of Personal Folders"
    uint32_t DeletedItems() const;
    uint32_t SearchRoot() const;

    // A folder under parent; nid 0 picks the next free folder id.
    uint32_t AddFolder(uint32_t parent, const std::u16string& name,
                       const std::string& containerClass = "IPF.Note", uint32_t nid = 0);
    // A folder's properties, to change; after a Checkpoint ask again (the
    // call marks the folder for writing at the next one).
    PropertySet& FolderProperties(uint32_t folder);
    // A message in a folder; nid 0 picks the next free message id.
    Message& AddMessage(uint32_t folder, const std::string& messageClass, uint32_t nid = 0);
    Message& AddAssociatedMessage(uint32_t folder, const std::string& messageClass);
    // A message that ReplaceMessage may later put a new version of in its
    // place (an item saved again).
    Message& AddReplaceableMessage(uint32_t folder, const std::string& messageClass);
    // A new version of a replaceable message, in its folder: when committed
    // it takes the old one's place (node, attachments, contents row) and
    // the old one's blocks are freed. Throws for an id that is no
    // replaceable message.
    Message& ReplaceMessage(uint32_t nid, const std::string& messageClass);

    uint16_t NamedId(const Guid& guid, uint32_t lid) { return names_.Id(guid, lid); }
    uint16_t NamedId(const Guid& guid, const std::u16string& name) { return names_.Id(guid, name); }
    PropertySet& StoreProperties() { return store_; }
    // The store's 16-byte record key (the uid inside every entry id): new
    // for every store; tests that want equal files set a fixed one.
    const Bytes& RecordKey() const { return recordKey_; }
    void SetRecordKey(const Bytes& key);
    // The time given to messages that set no creation or modification time
    // (a FILETIME); the time of writing unless set.
    void SetDefaultTime(uint64_t filetime) { defaultTime_ = filetime; }
    Bytes EntryId(uint32_t nid) const;

    // Any node as it is, for structures the builder does not make itself.
    void AddRawNode(Node node) { ndb_.AddNode(std::move(node)); }

    LtpDamage& Damage() { return damage_; }
    NdbDamage& NodeDamage() { return ndb_.Damage(); }

    // Turns the messages added so far into nodes (frees their payloads).
    void Commit();

    // From now on the store is written into this file (UTF-8 path) as it
    // grows, instead of being kept until WriteFile. The file is created new
    // and is this builder's alone until Finish. False when it exists
    // already or cannot be created (or StreamTo was called before).
    bool StreamTo(const std::string& path);
    // Why the streamed file could not be created or written (the system's
    // text, "" when nothing failed), and the system's error code.
    std::string FileError() const { return ndb_.FileError(); }
    int FileErrorCode() const { return ndb_.FileErrorCode(); }
    // Commits pending messages and makes the file a complete, consistent
    // store of every folder and message added so far. Adding may go on.
    // False without StreamTo or on an I/O failure.
    bool Checkpoint();
    // After StreamTo: the last checkpoint; closes the file. Nothing more can
    // be added.
    bool Finish();

    // The whole store into a file or memory. After StreamTo, WriteFile with
    // the same path is Finish() (another path gets a copy).
    bool WriteFile(const std::string& path);
    std::vector<uint8_t> WriteMemory();

private:
    struct Folder {
        explicit Folder(Variant v) : props(v) {}
        uint32_t nid = 0;
        uint32_t parent = 0;
        bool search = false;
        PropertySet props;
        std::vector<uint32_t> children;
        CompactRows contents, assoc;
        int unread = 0;
        // What changed since the folder's nodes were last written.
        bool propsDirty = true, hierarchyDirty = true, contentsDirty = true, assocDirty = true;
    };
    Folder& NewFolder(uint32_t nid, uint32_t parent, const std::u16string& name);
    LtpNode BuildMessage(Message& m, SubnodeIds& ids);
    void AddLtpNode(uint32_t nid, uint32_t parent, LtpNode node, bool replaceable = false);
    LtpNode BuildTable(const std::vector<TableColumn>& columns, uint32_t nid, const CompactRows& rows);
    // The folders, tables, message store and internal nodes as they stand
    // now; only what changed since the last time is written again.
    void WriteMetadata();
    void Seal();

    StoreOptions options_;
    NdbWriter ndb_;
    NameMap names_;
    PropertySet store_;
    Bytes recordKey_;
    std::map<uint32_t, std::unique_ptr<Folder>> folders_;
    std::vector<std::unique_ptr<Message>> pending_;
    struct StoredVersion {
        uint32_t folder = 0;
        bool committed = false;    // a version is in its folder
        bool unread = false;       // ... and counts as unread there
    };
    std::map<uint32_t, StoredVersion> replaceable_;   // by message id
    LtpDamage damage_;
    uint32_t nextFolderIndex_ = 0x405;
    uint32_t nextMessageIndex_ = 0x10001;
    uint32_t nextAssocIndex_ = 0x8001;
    uint64_t defaultTime_ = 0;
    bool fixedNodesWritten_ = false;
    bool finished_ = false;
};

}  // namespace writer
