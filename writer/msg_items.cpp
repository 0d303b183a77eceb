#include "writer/msg_items.h"

#include "format/props.h"

namespace writer {

void SetAppointment(Message& m, uint64_t start, uint64_t end, const std::u16string& location,
                    int32_t busyStatus) {
    m.SetTime(m.Named(kPsetidAppointment, 0x820D), start);           // AppointmentStartWhole
    m.SetTime(m.Named(kPsetidAppointment, 0x820E), end);             // AppointmentEndWhole
    m.SetString(m.Named(kPsetidAppointment, 0x8208), location);      // Location
    m.SetInt32(m.Named(kPsetidAppointment, 0x8205), busyStatus);     // BusyStatus
    m.SetTime(m.Named(kPsetidCommon, 0x8516), start);                // CommonStart
    m.SetTime(m.Named(kPsetidCommon, 0x8517), end);                  // CommonEnd
}

void SetReminder(Message& m, int32_t minutesBefore, uint64_t signalTime) {
    m.SetBool(m.Named(kPsetidCommon, 0x8503), true);                 // ReminderSet
    m.SetInt32(m.Named(kPsetidCommon, 0x8501), minutesBefore);       // ReminderDelta
    m.SetTime(m.Named(kPsetidCommon, 0x8560), signalTime);           // ReminderSignalTime
}

void SetContact(Message& m, const std::u16string& givenName, const std::u16string& surname,
                const std::u16string& email) {
    const std::u16string display = givenName + (givenName.empty() || surname.empty() ? u"" : u" ") + surname;
    m.SetString(fmt::kPidDisplayName, display);
    m.SetString(0x3A06, givenName);                                  // PidTagGivenName
    m.SetString(0x3A11, surname);                                    // PidTagSurname
    m.SetSubject(display);
    m.SetString(m.Named(kPsetidAddress, 0x8005), surname + (surname.empty() ? u"" : u", ") + givenName);
    if (email.empty()) return;
    m.SetString(m.Named(kPsetidAddress, 0x8083), email);             // Email1EmailAddress
    m.SetString(m.Named(kPsetidAddress, 0x8082), u"SMTP");           // Email1AddressType
    m.SetString(m.Named(kPsetidAddress, 0x8080), display + u" (" + email + u")");   // Email1DisplayName
    m.SetString(m.Named(kPsetidAddress, 0x8084), email);             // Email1OriginalDisplayName
}

void SetTask(Message& m, int32_t status, bool complete) {
    m.SetInt32(m.Named(kPsetidTask, 0x8101), status);                // TaskStatus
    m.SetBool(m.Named(kPsetidTask, 0x811C), complete);               // TaskComplete
}

void SetJournal(Message& m, const std::u16string& type, const std::u16string& typeDescription,
                uint64_t start, uint64_t end) {
    m.SetString(m.Named(kPsetidLog, 0x8700), type);                  // LogType
    m.SetString(m.Named(kPsetidLog, 0x8712), typeDescription);       // LogTypeDesc
    m.SetTime(m.Named(kPsetidLog, 0x8706), start);                   // LogStart
    m.SetTime(m.Named(kPsetidLog, 0x8708), end);                     // LogEnd
}

void SetNoteColor(Message& m, int32_t color) {
    m.SetInt32(m.Named(kPsetidNote, 0x8B00), color);                 // NoteColor
}

}  // namespace writer
