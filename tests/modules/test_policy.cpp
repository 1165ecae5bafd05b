// The placement rules every extraction follows, as pure functions.
#include "hostile_paths.h"
#include "policy.h"
#include "text.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

arc::MemberHeader File(const std::string& path, uint32_t type = S_IFREG, uint32_t perm = 0644) {
  arc::MemberHeader h;
  h.path = path;
  h.type = type;
  h.perm = perm;
  return h;
}

TEST(PlacementTest, HostilePathsAsTheWorkerPlacesThem) {
  for (const hostile::Row& r : hostile::kRows) {
    const std::string stored = r.cp932 ? arc::Cp932ToUtf8(r.stored) : r.stored;
    arc::MemberHeader h = File(stored, r.link == 's' ? S_IFLNK : S_IFREG);
    if (r.link == 'h') h.hardlink = r.target;
    if (r.link == 's') h.symlink = r.target;
    const arc::Placement p = arc::PlaceMember(h, false, 022);
    SCOPED_TRACE(r.stored);
    switch (r.module) {
      case hostile::Module::Written:
        EXPECT_EQ(p.verdict, arc::Placement::Write);
        EXPECT_EQ(p.path, r.placed);
        break;
      case hostile::Module::Skipped:
        EXPECT_EQ(p.verdict, arc::Placement::Skip);
        break;
      case hostile::Module::RefusedOutside:
        EXPECT_EQ(p.verdict, arc::Placement::Refuse);
        EXPECT_EQ(p.refusal, arc::Reason::OutsideFolder);
        break;
      case hostile::Module::RefusedLink:
        EXPECT_EQ(p.verdict, arc::Placement::Refuse);
        EXPECT_EQ(p.refusal, arc::Reason::LinkOutside);
        break;
    }
    if (p.verdict != arc::Placement::Write) {
      EXPECT_EQ(p.path, "");
    }
  }
}

TEST(PlacementTest, KindsModesAndDroppedPaths) {
  // Devices, FIFOs and sockets are refused whatever their path.
  for (uint32_t type : {S_IFIFO, S_IFCHR, S_IFBLK, S_IFSOCK})
    EXPECT_EQ(arc::PlaceMember(File("dev/x", type), false, 022).refusal, arc::Reason::SpecialFile) << type;
  // A symbolic link whose target cannot be read is refused, not written as a file.
  EXPECT_EQ(arc::PlaceMember(File("l", S_IFLNK), false, 022).refusal, arc::Reason::LinkOutside);
  // Permission bits: the umask applies, never set-id or sticky; folders stay open to their owner.
  EXPECT_EQ(arc::PlaceMember(File("a", S_IFREG, 06755), false, 022).perm, 0755u);
  EXPECT_EQ(arc::PlaceMember(File("a", S_IFREG, 0666), false, 077).perm, 0600u);
  EXPECT_EQ(arc::PlaceMember(File("d", S_IFDIR, 01000), false, 022).perm, 0700u);
  // Without stored paths, folders are skipped and files keep their last part,
  // even when the path was absolute.
  EXPECT_EQ(arc::PlaceMember(File("d", S_IFDIR), true, 022).verdict, arc::Placement::Skip);
  EXPECT_EQ(arc::PlaceMember(File("/etc/passwd"), true, 022).path, "passwd");
  EXPECT_EQ(arc::PlaceMember(File("C:\\x\\y.txt"), true, 022).path, "y.txt");
  EXPECT_EQ(arc::PlaceMember(File("a/.."), true, 022).refusal, arc::Reason::OutsideFolder);
  // A hard link that names nothing is refused: it would link to the folder.
  arc::MemberHeader h = File("h");
  h.hardlink = ".";
  EXPECT_EQ(arc::PlaceMember(h, false, 022).refusal, arc::Reason::OutsideFolder);
}

}  // namespace
