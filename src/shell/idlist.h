#pragma once
// Item identifier lists in the shell's binary form: a chain of entries, each
// beginning with its own 16-bit little-endian byte count (the two count bytes
// included), ended by a zero count. Here an entry is the count, one kind
// byte and the item's name in UTF-8.
#include <QByteArray>

namespace shell {

using IdList = QByteArray;  // a null QByteArray stands for "none"

enum ItemKind : char {
  kComputer = 'C',  // "コンピュータ"
  kRoot = 'R',      // a folder held by the computer; its name is its absolute path
  kFile = 'F',      // a file-system entry; its name is the entry's name
  kVirtual = 'V',   // a virtual folder of the desktop (recycle bin, control panel, printers)
};

IdList EmptyList();  // the desktop: the terminator alone
IdList MakeItem(ItemKind kind, const QByteArray& name);

// Pointer past the entry at item; null when item's count is 0 or the next
// entry is the terminator.
const char* NextItem(const char* item);
int ItemCount(const IdList& list);
// Bytes including the terminator; 0 for none.
int ItemSize(const IdList& list);
IdList Concat(const IdList& a, const IdList& b);
IdList FirstItem(const IdList& list);
IdList LastItem(const IdList& list);
IdList WithoutLast(const IdList& list);
// The entry's kind and name (one-entry lists, or the first entry).
ItemKind KindOf(const IdList& item);
QByteArray NameOf(const IdList& item);

}  // namespace shell
