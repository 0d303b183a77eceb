// CList: a doubly linked list addressed by POSITION, as the program's
// global lists use it.
#pragma once
#include <windows.h>
#include <cstddef>

struct __POSITION {};
typedef __POSITION* POSITION;

template <class TYPE, class ARG_TYPE = const TYPE&>
class CList {
    struct Node : __POSITION {
        Node* pNext;
        Node* pPrev;
        TYPE data;
        explicit Node(ARG_TYPE v) : pNext(nullptr), pPrev(nullptr), data(v) {}
    };
public:
    CList() = default;
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    ~CList() { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    TYPE& GetHead() { return m_pHead->data; }
    const TYPE& GetHead() const { return m_pHead->data; }
    TYPE& GetTail() { return m_pTail->data; }
    const TYPE& GetTail() const { return m_pTail->data; }

    POSITION AddHead(ARG_TYPE v) {
        Node* p = new Node(v);
        p->pNext = m_pHead;
        if (m_pHead) m_pHead->pPrev = p; else m_pTail = p;
        m_pHead = p;
        ++m_nCount;
        return p;
    }
    POSITION AddTail(ARG_TYPE v) {
        Node* p = new Node(v);
        p->pPrev = m_pTail;
        if (m_pTail) m_pTail->pNext = p; else m_pHead = p;
        m_pTail = p;
        ++m_nCount;
        return p;
    }
    TYPE RemoveHead() { TYPE v = m_pHead->data; RemoveAt(m_pHead); return v; }
    TYPE RemoveTail() { TYPE v = m_pTail->data; RemoveAt(m_pTail); return v; }
    void RemoveAll() {
        Node* p = m_pHead;
        while (p) { Node* n = p->pNext; delete p; p = n; }
        m_pHead = m_pTail = nullptr;
        m_nCount = 0;
    }

    POSITION GetHeadPosition() const { return m_pHead; }
    POSITION GetTailPosition() const { return m_pTail; }
    // Returns the element at pos and moves pos to the next one (null at the end).
    TYPE& GetNext(POSITION& pos) { Node* p = N(pos); pos = p->pNext; return p->data; }
    const TYPE& GetNext(POSITION& pos) const { Node* p = N(pos); pos = p->pNext; return p->data; }
    TYPE& GetPrev(POSITION& pos) { Node* p = N(pos); pos = p->pPrev; return p->data; }
    const TYPE& GetPrev(POSITION& pos) const { Node* p = N(pos); pos = p->pPrev; return p->data; }
    TYPE& GetAt(POSITION pos) { return N(pos)->data; }
    const TYPE& GetAt(POSITION pos) const { return N(pos)->data; }
    void SetAt(POSITION pos, ARG_TYPE v) { N(pos)->data = v; }

    void RemoveAt(POSITION pos) {
        Node* p = N(pos);
        if (p->pPrev) p->pPrev->pNext = p->pNext; else m_pHead = p->pNext;
        if (p->pNext) p->pNext->pPrev = p->pPrev; else m_pTail = p->pPrev;
        delete p;
        --m_nCount;
    }
    POSITION InsertBefore(POSITION pos, ARG_TYPE v) {
        if (!pos) return AddHead(v);
        Node* at = N(pos);
        Node* p = new Node(v);
        p->pNext = at; p->pPrev = at->pPrev;
        if (at->pPrev) at->pPrev->pNext = p; else m_pHead = p;
        at->pPrev = p;
        ++m_nCount;
        return p;
    }
    POSITION InsertAfter(POSITION pos, ARG_TYPE v) {
        if (!pos) return AddTail(v);
        Node* at = N(pos);
        Node* p = new Node(v);
        p->pPrev = at; p->pNext = at->pNext;
        if (at->pNext) at->pNext->pPrev = p; else m_pTail = p;
        at->pNext = p;
        ++m_nCount;
        return p;
    }
    POSITION Find(ARG_TYPE v, POSITION startAfter = nullptr) const {
        Node* p = startAfter ? N(startAfter)->pNext : m_pHead;
        for (; p; p = p->pNext)
            if (p->data == v) return p;
        return nullptr;
    }
    POSITION FindIndex(INT_PTR nIndex) const {
        if (nIndex < 0 || nIndex >= m_nCount) return nullptr;
        Node* p = m_pHead;
        while (nIndex-- > 0) p = p->pNext;
        return p;
    }
private:
    static Node* N(POSITION pos) { return static_cast<Node*>(pos); }
    Node* m_pHead = nullptr;
    Node* m_pTail = nullptr;
    INT_PTR m_nCount = 0;
};
