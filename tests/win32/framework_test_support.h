// Helpers for the framework's GUI tests: message pumping and in-memory
// dialog templates.
#pragma once
#include "framework/framework.h"
#include <string>
#include <vector>

namespace fwtest {

// Dispatches every message waiting for this thread (through the usual
// pre-translation, as the program's loop does).
inline void PumpPending() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage((int)msg.wParam);
            return;
        }
        if (!AfxWalkPreTranslateTree(nullptr, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

// Builds a DLGTEMPLATE (font "MS Shell Dlg" 8) with controls of the
// predefined classes, in dialog units.
class DialogTemplate {
public:
    DialogTemplate(LPCWSTR caption, DWORD style, short cx, short cy) {
        Dword(style | DS_SETFONT);
        Dword(0);    // extended style
        Word(0);     // item count, patched by Add
        Word(0); Word(0); Word(cx); Word(cy);
        Word(0);     // no menu
        Word(0);     // standard class
        Text(caption);
        Word(8);
        Text(L"MS Shell Dlg");
    }
    // atom: 0x0080 button, 0x0081 edit, 0x0082 static
    void Add(WORD atom, LPCWSTR text, WORD id, DWORD style, short x, short y, short cx, short cy) {
        if (m_words.size() % 2) Word(0);   // DWORD alignment
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        Word(x); Word(y); Word(cx); Word(cy);
        Word(id);
        Word(0xFFFF);
        Word(atom);
        Text(text);
        Word(0);   // no creation data
        ++m_words[4];
    }
    LPCDLGTEMPLATEW Get() const { return reinterpret_cast<LPCDLGTEMPLATEW>(m_words.data()); }
private:
    void Word(WORD w) { m_words.push_back(w); }
    void Dword(DWORD d) { Word(LOWORD(d)); Word(HIWORD(d)); }
    void Text(LPCWSTR s) {
        for (; s && *s; ++s) Word(*s);
        Word(0);
    }
    std::vector<WORD> m_words;
};

}  // namespace fwtest
