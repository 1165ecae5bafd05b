#include "craft.h"

#include <QtEndian>

#include <cstring>

namespace craft {
namespace {

void U16(QByteArray& b, uint16_t v) {
  char c[2];
  qToLittleEndian(v, c);
  b.append(c, 2);
}

void U32(QByteArray& b, uint32_t v) {
  char c[4];
  qToLittleEndian(v, c);
  b.append(c, 4);
}

uint16_t Crc16(const QByteArray& data) {
  uint16_t crc = 0;
  for (const char ch : data) {
    crc ^= static_cast<uint8_t>(ch);
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

constexpr uint16_t kDosTime = 0x6000;  // 12:00:00
constexpr uint16_t kDosDate = 0x5821;  // 2024-01-01

}  // namespace

uint32_t Crc32(const QByteArray& data) {
  uint32_t crc = 0xFFFFFFFF;
  for (const char ch : data) {
    crc ^= static_cast<uint8_t>(ch);
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
  }
  return ~crc;
}

QByteArray Zip(const std::vector<ZipMember>& members) {
  QByteArray out, central;
  for (const ZipMember& m : members) {
    const uint32_t crc = Crc32(m.data) ^ (m.badCrc ? 0x1234u : 0u);
    const uint32_t offset = static_cast<uint32_t>(out.size());
    U32(out, 0x04034b50);
    for (uint16_t v : {uint16_t(20), uint16_t(0), uint16_t(0), kDosTime, kDosDate}) U16(out, v);
    for (uint32_t v : {crc, uint32_t(m.data.size()), uint32_t(m.data.size())}) U32(out, v);
    U16(out, static_cast<uint16_t>(m.name.size()));
    U16(out, 0);
    out += m.name + m.data;
    U32(central, 0x02014b50);
    for (uint16_t v : {uint16_t(3 << 8 | 20), uint16_t(20), uint16_t(0), uint16_t(0), kDosTime, kDosDate}) U16(central, v);
    for (uint32_t v : {crc, uint32_t(m.data.size()), uint32_t(m.data.size())}) U32(central, v);
    for (uint16_t v : {uint16_t(m.name.size()), uint16_t(0), uint16_t(0), uint16_t(0), uint16_t(0)}) U16(central, v);
    U32(central, m.mode << 16);
    U32(central, offset);
    central += m.name;
  }
  const uint32_t at = static_cast<uint32_t>(out.size());
  out += central;
  U32(out, 0x06054b50);
  for (uint16_t v : {uint16_t(0), uint16_t(0), uint16_t(members.size()), uint16_t(members.size())}) U16(out, v);
  U32(out, static_cast<uint32_t>(central.size()));
  U32(out, at);
  U16(out, 0);
  return out;
}

QByteArray Lzh(const QByteArray& name, const QByteArray& data, uint32_t claimed, bool badCrc) {
  QByteArray body = "-lh0-";
  U32(body, static_cast<uint32_t>(data.size()));
  U32(body, claimed ? claimed : static_cast<uint32_t>(data.size()));
  U16(body, kDosTime);
  U16(body, kDosDate);
  body += char(0x20);  // attribute
  body += char(0);     // header level
  body += char(name.size());
  body += name;
  U16(body, static_cast<uint16_t>(Crc16(data) ^ (badCrc ? 0x55 : 0)));
  uint8_t sum = 0;
  for (const char c : body) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
  QByteArray out;
  out += char(body.size());
  out += char(sum);
  return out + body + data + QByteArray(1, '\0');
}

QByteArray Tar(const std::vector<TarMember>& members) {
  QByteArray out;
  for (const TarMember& m : members) {
    QByteArray h(512, '\0');
    auto put = [&h](int at, const QByteArray& v) { std::memcpy(h.data() + at, v.constData(), v.size()); };
    auto octal = [&put](int at, int width, uint64_t v) {
      put(at, QByteArray::number(qulonglong(v), 8).rightJustified(width - 1, '0'));
    };
    put(0, m.name.left(100));
    octal(100, 8, m.mode);
    octal(108, 8, 0);
    octal(116, 8, 0);
    const bool carries = m.type == '0' || m.type == 'x';  // a file, or a pax header's records
    octal(124, 12, carries ? m.data.size() : 0);
    if (!m.sizeField.isEmpty()) put(124, m.sizeField.left(12));
    octal(136, 12, 1704110400);  // 2024-01-01 12:00 UTC
    h[156] = m.type;
    put(157, m.link.left(100));
    put(257, QByteArray("ustar\0" "00", 8));
    put(148, QByteArray(8, ' '));
    unsigned sum = 0;
    for (const char c : h) sum += static_cast<uint8_t>(c);
    put(148, QByteArray::number(sum, 8).rightJustified(6, '0') + QByteArray("\0 ", 2));
    out += h;
    if (carries) {
      out += m.data;
      out += QByteArray((512 - m.data.size() % 512) % 512, '\0');
    }
  }
  return out + QByteArray(1024, '\0');
}

QByteArray CabLzx(const QByteArray& name, const QByteArray& data, int windowBits) {
  const auto n = static_cast<uint32_t>(data.size());
  // LZX bits go MSB first into little-endian 16-bit words: no E8 translation
  // (1 bit), block type 3 "uncompressed" (3 bits), its 24-bit length, then
  // padding to the word; R0 to R2 and the bytes follow.
  QByteArray lzx;
  U16(lzx, static_cast<uint16_t>((3u << 12) | ((n >> 12) & 0xFFF)));
  U16(lzx, static_cast<uint16_t>((n & 0xFFF) << 4));
  for (int r = 0; r < 3; ++r) U32(lzx, 1);
  lzx += data;
  if (n % 2) lzx += '\0';
  QByteArray file;
  U32(file, n);
  U32(file, 0);       // offset in the folder
  U16(file, 0);       // folder
  U16(file, 0x5921);  // 2024-09-01
  U16(file, 0x6000);  // 12:00
  U16(file, 0x20);    // archive bit
  file += name + '\0';
  const uint32_t filesAt = 36 + 8, dataAt = filesAt + static_cast<uint32_t>(file.size());
  QByteArray cab("MSCF");
  U32(cab, 0);
  U32(cab, dataAt + 8 + static_cast<uint32_t>(lzx.size()));
  U32(cab, 0);
  U32(cab, filesAt);
  U32(cab, 0);
  cab += '\3';  // version 1.3
  cab += '\1';
  U16(cab, 1);  // folders
  U16(cab, 1);  // files
  U16(cab, 0);  // flags
  U16(cab, 0x1234);
  U16(cab, 0);
  U32(cab, dataAt);
  U16(cab, 1);  // data blocks
  U16(cab, static_cast<uint16_t>(3 | (windowBits << 8)));
  cab += file;
  U32(cab, 0);  // no checksum
  U16(cab, static_cast<uint16_t>(lzx.size()));
  U16(cab, static_cast<uint16_t>(n));
  return cab + lzx;
}

}  // namespace craft
