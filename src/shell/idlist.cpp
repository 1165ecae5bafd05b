#include "shell/idlist.h"

#include <cstring>

namespace shell {
namespace {

uint16_t CountAt(const char* p) {
  return static_cast<uint16_t>(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1]) << 8);
}

// The entries of a list without its terminator.
QByteArray Body(const IdList& list) {
  if (list.isNull()) return QByteArray();
  int at = 0;
  while (at + 2 <= list.size()) {
    const uint16_t cb = CountAt(list.constData() + at);
    if (cb == 0) break;
    if (cb < 2 || at + cb > list.size()) break;  // damaged: keep what is whole
    at += cb;
  }
  return list.left(at);
}

}  // namespace

IdList EmptyList() { return QByteArray(2, '\0'); }

IdList MakeItem(ItemKind kind, const QByteArray& name) {
  const int cb = 3 + static_cast<int>(name.size());
  IdList out;
  out.append(static_cast<char>(cb & 0xFF)).append(static_cast<char>(cb >> 8)).append(kind).append(name);
  return out + EmptyList();
}

const char* NextItem(const char* item) {
  if (!item) return nullptr;
  const uint16_t cb = CountAt(item);
  if (cb == 0) return nullptr;
  const char* next = item + cb;
  return CountAt(next) == 0 ? nullptr : next;
}

int ItemCount(const IdList& list) {
  const QByteArray body = Body(list);
  int n = 0;
  for (int at = 0; at < body.size(); at += CountAt(body.constData() + at)) ++n;
  return n;
}

int ItemSize(const IdList& list) { return list.isNull() ? 0 : static_cast<int>(Body(list).size()) + 2; }

IdList Concat(const IdList& a, const IdList& b) { return Body(a) + Body(b) + EmptyList(); }

IdList FirstItem(const IdList& list) {
  const QByteArray body = Body(list);
  if (body.isEmpty()) return IdList();
  return body.left(CountAt(body.constData())) + EmptyList();
}

IdList LastItem(const IdList& list) {
  const QByteArray body = Body(list);
  int last = -1;
  for (int at = 0; at < body.size(); at += CountAt(body.constData() + at)) last = at;
  return last < 0 ? IdList() : body.mid(last) + EmptyList();
}

IdList WithoutLast(const IdList& list) {
  const QByteArray body = Body(list);
  int last = -1;
  for (int at = 0; at < body.size(); at += CountAt(body.constData() + at)) last = at;
  return last < 0 ? IdList() : body.left(last) + EmptyList();
}

ItemKind KindOf(const IdList& item) { return item.size() >= 3 ? static_cast<ItemKind>(item.at(2)) : kVirtual; }

QByteArray NameOf(const IdList& item) {
  if (item.size() < 3) return QByteArray();
  const uint16_t cb = CountAt(item.constData());
  return item.mid(3, cb - 3);
}

}  // namespace shell
