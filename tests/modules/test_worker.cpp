// The worker's typed outcomes and its records, in-process: what it refuses
// and why, as reason codes, and the codec both ends share.
#include "craft.h"
#include "outcome.h"
#include "records.h"
#include "worker.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <map>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct JobRun {
  uint32_t status = 0;
  std::vector<arc::Outcome> outcomes;
  std::vector<std::string> begun;  // members whose extraction started
};

// Runs one job and reads its records back with the module's own decoders.
JobRun RunJob(const arc::Job& job) {
  char* buf = nullptr;
  size_t len = 0;
  FILE* f = ::open_memstream(&buf, &len);
  JobRun run;
  run.status = arc::RunJob(job, f);
  std::fclose(f);
  const std::string bytes(buf, len);
  std::free(buf);
  for (size_t at = 0; at + 5 <= bytes.size();) {
    const uint32_t n = arc::FrameLength(bytes.data() + at);
    const std::string payload = bytes.substr(at + 5, n);
    const arc::Rec type = static_cast<arc::Rec>(bytes[at]);
    if (arc::Outcome o; type == arc::Rec::Problem && arc::Decode(payload, &o)) run.outcomes.push_back(o);
    if (arc::BeginRecord b; type == arc::Rec::Begin && arc::Decode(payload, &b)) run.begun.push_back(b.path);
    at += 5 + n;
  }
  return run;
}

class WorkerTest : public ::testing::Test {
 protected:
  std::string Put(const QString& name, const QByteArray& bytes) {
    QFile f(dir_.path() + QLatin1Char('/') + name);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName().toStdString();
  }
  std::string Path(const char* rel) const { return (dir_.path() + QLatin1Char('/') + QLatin1String(rel)).toStdString(); }
  QTemporaryDir dir_;
};

TEST_F(WorkerTest, HostileMembersAreRefusedWithTheirReasons) {
  arc::Job job;
  job.format = "tar";
  job.op = "x";
  job.archive = Put(QStringLiteral("hostile.tar"), craft::Tar({
      {"../up.txt", '0', "u"},
      {"/abs.txt", '0', "a"},
      {"link", '2', {}, "/etc/passwd"},
      {"fifo", '6'},
      {"hard", '1', {}, "../up.txt"},
      {"fine.txt", '0', "f"},
  }));
  job.dest = Path("out");
  const JobRun run = RunJob(job);
  EXPECT_EQ(run.status, CA_ERROR_WARNING);
  std::map<std::string, arc::Reason> why;
  for (const arc::Outcome& o : run.outcomes) {
    EXPECT_EQ(o.status, CA_ERROR_WARNING) << o.member;
    why[o.member] = o.reason;
  }
  const std::map<std::string, arc::Reason> expected = {
      {"../up.txt", arc::Reason::OutsideFolder}, {"/abs.txt", arc::Reason::OutsideFolder},
      {"link", arc::Reason::LinkOutside},        {"fifo", arc::Reason::SpecialFile},
      {"hard", arc::Reason::OutsideFolder},
  };
  EXPECT_EQ(why, expected);
  // Only the good member was begun, and only it is there.
  EXPECT_EQ(run.begun, std::vector<std::string>{"fine.txt"});
  struct stat st {};
  EXPECT_EQ(::stat(Path("out/fine.txt").c_str(), &st), 0);
  EXPECT_NE(::lstat(Path("up.txt").c_str(), &st), 0);
  EXPECT_NE(::lstat(Path("out/link").c_str(), &st), 0);
}

TEST_F(WorkerTest, ArchiveAndMemberFailuresCarryTheirReasonAndDetail) {
  arc::Job job;
  job.format = "tar";
  job.op = "m";
  job.archive = Put(QStringLiteral("one.tar"), craft::Tar({{"a.txt", '0', "a"}}));
  job.dest = "100";
  job.names = {"missing.txt"};
  JobRun run = RunJob(job);
  ASSERT_EQ(run.outcomes.size(), 1u);
  EXPECT_EQ(run.status, CA_ERROR_NO_MEMBER);
  EXPECT_EQ(run.outcomes[0].reason, arc::Reason::NotInArchive);
  EXPECT_EQ(run.outcomes[0].member, "missing.txt");

  job.op = "l";
  job.archive = Put(QStringLiteral("none.tar"), QByteArray(100, 'x'));
  run = RunJob(job);
  EXPECT_EQ(run.status, CA_ERROR_NOT_ARCHIVE);
  ASSERT_EQ(run.outcomes.size(), 1u);
  EXPECT_EQ(run.outcomes[0].status, CA_ERROR_NOT_ARCHIVE);
  EXPECT_EQ(run.outcomes[0].member, "");

  job.archive = Path("gone.tar");
  run = RunJob(job);
  ASSERT_EQ(run.outcomes.size(), 1u);
  EXPECT_EQ(run.outcomes[0].reason, arc::Reason::CannotOpenFile);
  EXPECT_EQ(run.outcomes[0].details.at(0), job.archive);
}

TEST(RecordTest, EveryRecordReadsBackAsWrittenAndShortOnesAreRefused) {
  const arc::Outcome o{CA_ERROR_CORRUPT, arc::Reason::SizeMismatch, "a/b.txt", {"10", "", "7"}};
  arc::Outcome back;
  ASSERT_TRUE(arc::Decode(arc::Encode(o), &back));
  EXPECT_EQ(back.status, o.status);
  EXPECT_EQ(back.reason, o.reason);
  EXPECT_EQ(back.member, o.member);
  EXPECT_EQ(back.details, o.details);
  ASSERT_TRUE(arc::Decode(arc::Encode(arc::Outcome{1, arc::Reason::DiskFull, "", {}}), &back));
  EXPECT_TRUE(back.details.empty());
  EXPECT_FALSE(arc::Decode(std::string(7, '\0'), &back));

  const arc::BeginRecord b{1ull << 40, "名前.txt", "/tmp/x/名前.txt"};
  arc::BeginRecord b2;
  ASSERT_TRUE(arc::Decode(arc::Encode(b), &b2));
  EXPECT_EQ(b2.size, b.size);
  EXPECT_EQ(b2.path, b.path);
  EXPECT_EQ(b2.output, b.output);

  arc::MemberRecord m{};
  m.size = 5;
  m.flags = arc::kEncrypted;
  arc::MemberRecord m2{};
  std::string path;
  ASSERT_TRUE(arc::Decode(arc::Encode(m, "x/y"), &m2, &path));
  EXPECT_EQ(m2.size, 5u);
  EXPECT_EQ(m2.flags, uint32_t{arc::kEncrypted});
  EXPECT_EQ(path, "x/y");
  EXPECT_FALSE(arc::Decode(std::string(sizeof m - 1, '\0'), &m2, &path));

  arc::PasswordRequest r;
  ASSERT_TRUE(arc::Decode(arc::Encode(arc::PasswordRequest{3, "秘密.txt"}), &r));
  EXPECT_EQ(r.attempt, 3u);
  EXPECT_EQ(r.member, "秘密.txt");

  const std::string frame = arc::Frame('P', std::string(300, 'p'));
  EXPECT_EQ(frame.size(), 305u);
  EXPECT_EQ(arc::FrameLength(frame.data()), 300u);
}

TEST(RecordTest, TheWordsAreMadeFromTheReason) {
  EXPECT_EQ(arc::Describe({CA_ERROR_WARNING, arc::Reason::OutsideFolder, "../x", {}}),
            "../x: 展開先フォルダーの外を指すため展開しませんでした。");
  EXPECT_EQ(arc::Describe({CA_ERROR_CORRUPT, arc::Reason::SizeMismatch, "a", {"10", "7"}}),
            "a: 展開できません。書庫に記録された大きさ (10 バイト) と中身 (7 バイト) が合いません。");
  EXPECT_EQ(arc::Describe({CA_ERROR_FILE, arc::Reason::NoRoom, "", {"1048577", "0", "/d"}}),
            "展開先の空き容量が足りません (必要 2 MB、空き 0 MB)。展開しませんでした: /d");
  // Every reason has its words.
  for (uint32_t r = 1; r < 400; ++r) {
    const std::string words = arc::Describe({0, static_cast<arc::Reason>(r), "", {"d"}});
    const bool known = (r <= static_cast<uint32_t>(arc::Reason::NotAdded)) ||
                       (r >= 100 && r <= static_cast<uint32_t>(arc::Reason::CannotReplaceArchive)) ||
                       (r >= 200 && r <= static_cast<uint32_t>(arc::Reason::WorkerEnded)) ||
                       (r >= 300 && r <= static_cast<uint32_t>(arc::Reason::NoCommand));
    EXPECT_EQ(!words.empty(), known) << r;
  }
}

}  // namespace
