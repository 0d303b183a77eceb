// CList: a linked list addressed by POSITION, as the program's global lists
// use it (added at the tail, walked from the head, emptied at once).
#pragma once
#include <windows.h>
#include <cstddef>

struct __POSITION {};
typedef __POSITION* POSITION;

template <class TYPE, class ARG_TYPE = const TYPE&>
class CList {
    struct Node : __POSITION {
        Node* pNext;
        TYPE data;
        explicit Node(ARG_TYPE v) : pNext(nullptr), data(v) {}
    };
public:
    CList() = default;
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    ~CList() { RemoveAll(); }

    BOOL IsEmpty() const { return m_pHead == nullptr; }

    POSITION AddTail(ARG_TYPE v) {
        Node* p = new Node(v);
        if (m_pTail) m_pTail->pNext = p; else m_pHead = p;
        m_pTail = p;
        return p;
    }
    void RemoveAll() {
        Node* p = m_pHead;
        while (p) { Node* n = p->pNext; delete p; p = n; }
        m_pHead = m_pTail = nullptr;
    }

    POSITION GetHeadPosition() const { return m_pHead; }
    // Returns the element at pos and moves pos to the next one (null at the end).
    TYPE& GetNext(POSITION& pos) { Node* p = static_cast<Node*>(pos); pos = p->pNext; return p->data; }
private:
    Node* m_pHead = nullptr;
    Node* m_pTail = nullptr;
};
