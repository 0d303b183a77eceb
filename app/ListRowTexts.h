// The cell texts of the item list that are more than a copy of one field.
#pragma once
#include <string>

// A text cut at every break, each piece preceded by one blank ("a\nb" gives
// " a b"); a text without a break unchanged. With `crBelongsToBreak`, a
// "\r" directly before the break is part of it.
std::wstring JoinListLines(const std::wstring& text, const std::wstring& lineBreak, bool crBelongsToBreak);

// The "From" cell: the sender's name (none when it begins with ">"), and
// "<address>" when the address has an "@" after its first character.
std::wstring MailFromText(const std::wstring& name, const std::wstring& address);
// The "To" cell: the display-to text cut before a "</O" after its first
// character, and "<address>" of the receiving address as for "From".
std::wstring MailToText(const std::wstring& displayTo, const std::wstring& receivedByAddress);
// True when MailFromText / MailToText append the address.
bool AddressIsShown(const std::wstring& address);

struct ItemRecord;
// The mail row of an item: its From, To, Subject and Date/Time cells and
// whether it shows the paper clip; false when the item gets no row. A field
// counts as present when it is stored, also when its text is empty.
bool MailListRow(const ItemRecord& record, std::wstring (&cells)[4], bool& paperClip);
