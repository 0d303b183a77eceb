' Drives both components by name, as any script does: a store with a mail
' of each body kind, an appointment, a task, a journal entry, a sticky note
' and a contact, then calls that must fail. Prints one line per step:
'   OK step                       a call that was to work did
'   FAILED step|number|text       one that was to work did not
'   ERROR step|number|text        a call that was to fail, and its error
'                                 (number 0 when it did not fail)
' and DONE at the end. Arguments: the folder to work in, which holds
' att.txt, semi;colon.txt and Temp.eml, and the same folder by another path (a drive
' letter that reaches it too), or the folder again where there is none.
Option Explicit
On Error Resume Next

Dim folder, alias, storePath, header, att, gone
folder = WScript.Arguments(0)
alias = WScript.Arguments(1)
storePath = folder & "\script.pst"
header = folder & "\Temp.eml"
att = folder & "\att.txt"
gone = folder & "\gone.txt"

Sub Check(stepName)
    If Err.Number = 0 Then
        WScript.Echo "OK " & stepName
    Else
        WScript.Echo "FAILED " & stepName & "|" & Hex(Err.Number) & "|" & Err.Description
    End If
    Err.Clear
End Sub

Sub Expect(stepName)
    WScript.Echo "ERROR " & stepName & "|" & Hex(Err.Number) & "|" & Err.Description
    Err.Clear
End Sub

Const Root = "\\Script store"
Dim w, plain, html
plain = 0
html = 1
Set w = CreateObject("loomcraft.Class1")
Check "create writer"
w.BeginBatch
w.CreateStore storePath, "Script store"
w.EndBatch
Check "CreateStore"
w.CreateFolder Root & "\Inbox"
w.CreateFolder Root & "\Contacts"
Check "CreateFolder"
w.OpenFolder Root & "\Inbox"
' A literal body type and no spare texts; then a variable and both spares.
w.SaveMail Root & "\Inbox", "Script mail", "Ann Lee; Cid Moss<me@example.com>", header, "6/5/2012 10:00 AM", _
    att & ";" & folder & "\semi;colon.txt;", "<html><body><p>Script body</p></body></html>", 1
Check "SaveMail html"
w.SaveMail Root & "\Inbox", "Plain mail", "Ann Lee<ann@example.com>", header, "6/5/2012 11:00 AM", "", _
    "Plain body", plain, "", ""
Check "SaveMail plain"
w.CloseFolder
' The spare texts in the middle left out.
w.SaveAppointment Root & "\Calendar", "Meeting", "Dee<dee@example.com>", "6/5/2012 10:00 AM", "6/5/2012 11:30 AM", , _
    "Room 1", , "Agenda", plain
Check "SaveAppointment"
w.SaveTask Root & "\Tasks", "6/5/2012 10:00 AM", att, "Task body", "", "Do things", plain
Check "SaveTask"
w.SaveJournal Root & "\Journal", att, "Call notes", "", "Phone call", plain
Check "SaveJournal"
w.SaveNote Root & "\Notes", "A sticky note", "Sticky", plain
Check "SaveNote"
w.EndBatch
Check "EndBatch"

Dim s, contacts, c
Set s = CreateObject("CorvaneRedmp.RDOSessionCorvane")
s.Logon
Set contacts = s.FolderByPath(Root & "\Contacts").Items
Set c = contacts.Add(2)
c.GivenName = "Ann"
c.Surname = "Lee"
c.Email1Address = "ann@example.com"
c.BusinessTelephoneNumber = "+1 555 0100"
c.CompanyName = "Example Ltd"
c.Body = "Contact notes"
c.AttachFile att
Check "contact properties"
WScript.Echo "READ GivenName=" & c.GivenName
c.Save
Check "contact Save"

' ---- calls that must fail -------------------------------------------------
Dim w2, n
Set w2 = CreateObject("loomcraft.Class1")
w2.CreateStore 5, 7
Expect "numbers for texts"
w2.CreateStore "relative.pst", "Relative"
Expect "relative path"
w2.CreateStore folder & "\b.pst", "A\B"
Expect "backslash in the name"
w2.CreateStore UCase(storePath), "Other"
Expect "path open in another writer"
w2.CreateStore alias & "\script.pst", "Other"
Expect "file open in another writer by another path"
w2.CreateStore folder & "\second.pst", "script STORE"
Expect "name open in another writer"
w2.CreateStore folder & "\second.pst", "Second store"
Check "second writer's store"
w2.SaveNote Root & "\Notes", "x", "Never stored", 0
Expect "the other writer's store"
w2.CreateStore folder & "\third.pst", "Script store"
Expect "refused store in place of its own"
w2.SaveNote "\\Second store\Notes", "Kept", "Kept", 0
Check "second writer keeps its store"
w2.EndBatch
Check "second writer EndBatch"

w.SaveNote Root & "\Notes", "x", "Never stored", 2
Expect "body type 2"
n = 1.5
w.SaveNote Root & "\Notes", "x", "Never stored", n
Expect "fraction for a body type"
w.SaveNote Root & "\Notes", "x", "Never stored"
Expect "argument missing"
w.SaveNote Root & "\Notes", "x", "Never stored", 0, 1
Expect "one argument too many"
w.Frobnicate
Expect "no such member"
w.SaveMail Root & "\Inbox", "Never stored", "Ann", header, "6/5/2012 10:00 AM", gone & ";", "x", 0
Expect "mail attachment missing"
w.SaveMail Root & "\Inbox", "Never stored", "Ann", header, "6/5/2012 10:00 AM", folder & ";", "x", 0
Expect "mail attachment a folder"
w.SaveMail Root & "\Inbox", "Never stored", "Ann", header, "6/5/2012 10:00 AM", ";;;", "x", 0
Expect "mail attachment list of empty names"
w.SaveMail Root & "\Inbox", "Never stored", "Ann", header, "6/5/2012 10:00 AM", att & ";" & gone & ";", "x", 0
Expect "mail one attachment of two missing"
w.SaveMail Root & "\Inbox", "Never stored", "Ann", header, "6/5/2012 10:00 AM", "Q:\no drive\x.txt;", "x", 0
Expect "mail attachment on a missing drive"
w.SaveTask Root & "\Tasks", "6/5/2012 10:00 AM", gone, "x", "", "Never stored", 0
Expect "task attachment missing"
w.SaveJournal Root & "\Journal", gone, "x", "", "Never stored", 0
Expect "journal attachment missing"
Dim c2
Set c2 = contacts.Add(2)
c2.AttachFile gone
Expect "contact attachment missing"
c2.RTFBody = 42
Expect "number for the RTF body"
contacts.Add 3
Expect "item kind 3"
Dim s2
Set s2 = CreateObject("CorvaneRedmp.RDOSessionCorvane")
s2.FolderByPath Root & "\Contacts"
Expect "folder before log-on"

Set c2 = Nothing
Set c = Nothing
Set contacts = Nothing
Set s = Nothing
Set s2 = Nothing
Set w2 = Nothing
Set w = Nothing
Check "release"
WScript.Echo "DONE"
