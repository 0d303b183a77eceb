// Copies the property values of one property context or table context into
// an item record and its sub-records: one dispatch on the property id, with
// the few cases that do more than a copy (class and kind, subject prefix,
// character set, multi-valued named strings, the RTF body file).
#pragma once
#include <cstddef>
#include <cstdint>

#include "reader/item_record.h"

struct PropRow;

// Applies every value of every row, in list order. With a target, the k-th
// row fills the k-th node of the target list (nodes advance by pNext; no more
// nodes, no target). Properties of the item's own fields land in the record
// whatever the target. 0, or -1 for a null record.
int ApplyProperties(ItemRecord* record, PropRow* rows, AttachmentNode* target);

// The class comparisons: 0 when the texts count as equal, else 1 or -1.
// StartsWithNoCase matches a text that continues past the literal, and one
// that ends before the first difference; ASCII letters fold.
int StartsWithNoCase(const char* literal, const char* text, size_t count);
int CompareNoCase(const char* literal, const char* text);

// The kind code of a message class (0x001A) or a container class (0x3613).
int32_t ClassifyMessageClass(const char* text);
int32_t ClassifyContainerClass(const char* text);
