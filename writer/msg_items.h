// The fields of calendar items, contacts, tasks, journal entries and sticky
// notes, filed under the named properties Outlook uses for them
// ([MS-OXOCAL], [MS-OXOCNTC], [MS-OXOTASK], [MS-OXOJRNL], [MS-OXONOTE]).
#pragma once
#include <cstdint>
#include <string>

#include "writer/store_builder.h"

namespace writer {

void SetAppointment(Message& m, uint64_t start, uint64_t end, const std::u16string& location,
                    int32_t busyStatus = 2);
void SetReminder(Message& m, int32_t minutesBefore, uint64_t signalTime);
void SetContact(Message& m, const std::u16string& givenName, const std::u16string& surname,
                const std::u16string& email);
void SetTask(Message& m, int32_t status, bool complete);
void SetJournal(Message& m, const std::u16string& type, const std::u16string& typeDescription,
                uint64_t start, uint64_t end);
void SetNoteColor(Message& m, int32_t color);

}  // namespace writer
