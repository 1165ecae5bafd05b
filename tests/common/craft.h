#pragma once
// Hand-made archives for the cases real tools refuse to make: names that
// leave the folder, wrong checksums, lying sizes, special files.
#include <QByteArray>

#include <cstdint>
#include <utility>
#include <vector>

namespace craft {

uint32_t Crc32(const QByteArray& data);

struct ZipMember {
  QByteArray name;  // stored as given, without the UTF-8 flag
  QByteArray data;
  bool badCrc = false;
  uint32_t mode = 0100644;
};
// A ZIP of stored members, made "on Unix" so the modes count.
QByteArray Zip(const std::vector<ZipMember>& members);

// One LHA level-0 member in the stored method "-lh0-"; claimed is the
// original size the header states (the data's own size when 0).
QByteArray Lzh(const QByteArray& name, const QByteArray& data, uint32_t claimed = 0, bool badCrc = false);

struct TarMember {
  // Written out in the order of the fields, as tests list them.
  TarMember(QByteArray name, char type = '0', QByteArray data = {}, QByteArray link = {}, uint32_t mode = 0644,
            QByteArray sizeField = {})
      : name(std::move(name)), type(type), data(std::move(data)), link(std::move(link)), mode(mode),
        sizeField(std::move(sizeField)) {}
  QByteArray name;
  char type;  // '0' file, '1' hard link, '2' symbolic link, '3' character device, '4' block device, '5' folder, '6' FIFO, 'x' pax records
  QByteArray data;
  QByteArray link;
  uint32_t mode;
  QByteArray sizeField;  // when set, the 12 bytes of the header's size field as given
};
QByteArray Tar(const std::vector<TarMember>& members);

// A cabinet of one LZX folder with the given window (15 to 21 bits) holding
// one member of at most 32,768 bytes in an uncompressed LZX block; name is
// stored as given ("\\" separates, bytes as they are).
QByteArray CabLzx(const QByteArray& name, const QByteArray& data, int windowBits);

}  // namespace craft
