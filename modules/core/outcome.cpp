#include "outcome.h"

#include <cstdlib>

namespace arc {
namespace {

std::string MegaBytes(const std::string& bytes) {
  const uint64_t n = std::strtoull(bytes.c_str(), nullptr, 10);
  return std::to_string((n + (1 << 20) - 1) >> 20) + " MB";
}

// The sentence for each reason; {0}, {1}... stand for the details.
struct Words {
  Reason reason;
  const char* text;
};

const Words kWords[] = {
    {Reason::SpecialFile, "特殊ファイル (デバイスや FIFO) のため展開しませんでした。"},
    {Reason::OutsideFolder, "展開先フォルダーの外を指すため展開しませんでした。"},
    {Reason::LinkOutside, "展開先フォルダーの外を指すリンクのため展開しませんでした。"},
    {Reason::NotWritten, "展開しませんでした ({0})"},
    {Reason::DiskFull, "ディスクの空き容量が足りないため、展開を中止しました。"},
    {Reason::WriteFailed, "書き込めません ({0})"},
    {Reason::WrongPassword, "パスワードが違います。"},
    {Reason::PasswordDeclined, "パスワードが入力されなかったため展開しませんでした。"},
    {Reason::PasswordProtected, "パスワードで保護されているため展開できません。"},
    {Reason::CipherUnsupported, "パスワードで保護されていますが、この書庫の暗号には対応していないため展開できません。"},
    {Reason::WrongPasswordOrDamaged, "展開できません。パスワードが違うか、書庫が壊れています ({0})"},
    {Reason::MissingPart, "分割書庫の部分が見つかりません: {0}"},
    {Reason::MethodUnsupported, "圧縮方式に対応していないため展開できません ({0})"},
    {Reason::Damaged, "展開できません。書庫が壊れています ({0})"},
    {Reason::SizeMismatch, "展開できません。書庫に記録された大きさ ({0} バイト) と中身 ({1} バイト) が合いません。"},
    {Reason::NotInArchive, "書庫の中にありません。"},
    {Reason::FileNotFound, "ファイルが見つかりません。"},
    {Reason::FileUnreadable, "読み込めません。"},
    {Reason::NotAdded, "{0}"},
    {Reason::CannotOpenFile, "書庫ファイルを開けません: {0} ({1})"},
    {Reason::NotLha, "LHA 形式の書庫ではありません。"},
    {Reason::HeadersLocked, "書庫の見出しがパスワードで保護されているため、この書庫は開けません。"},
    {Reason::ArchiveDamaged, "書庫が壊れています: {0}"},
    {Reason::CannotOpenArchive, "書庫を開けません: {0}"},
    {Reason::RestLocked,
     "書庫の中身がパスワードで保護されていますが、この書庫の暗号には対応していないため、先を読めません。"},
    {Reason::CannotMakeFolder, "展開先フォルダーを作成できません: {0}"},
    {Reason::CannotEnterFolder, "展開先フォルダーに移動できません: {0}"},
    {Reason::PartsMismatch, "分割書庫の部分が組み合わせられません: {0}"},
    {Reason::CabUnreadable, "CAB 形式の書庫を読めません。"},
    {Reason::LhaUnreadable, "LHA 形式の書庫を読めません。"},
    {Reason::NoRoom, "展開先の空き容量が足りません (必要 {0}、空き {1})。展開しませんでした: {2}"},
    {Reason::CreateUnsupported, "この形式の書庫の作成には対応していません。"},
    {Reason::NothingToAdd, "書庫に入れるファイルが指定されていません。"},
    {Reason::CannotCreateArchive, "書庫ファイルを作成できません: {0}"},
    {Reason::CreateFailed, "書庫を作成できませんでした。"},
    {Reason::CannotReplaceArchive, "書庫ファイルを書き換えられません: {0}"},
    {Reason::WorkerNotStarted, "書庫を処理するプログラム {0} を起動できません。"},
    {Reason::WorkerSilent, "書庫の処理が応答しなくなったため中止しました。"},
    {Reason::WorkerCrashed, "書庫の処理が異常終了しました (シグナル {0})。書庫が壊れている可能性があります。"},
    {Reason::WorkerEnded, "書庫の処理が途中で終了しました。"},
    {Reason::SfxUnsupported, "自己解凍書庫の調整には対応していません。"},
    {Reason::ResponseFileUnreadable, "応答ファイルを読めません: {0}"},
    {Reason::NoArchiveGiven, "書庫ファイルが指定されていません。"},
    {Reason::FolderNotAbsolute, "展開先フォルダーが指定されていないか、絶対パスではありません。"},
    {Reason::Cancelled, "展開を中止しました。"},
    {Reason::CommandUnsupported, "このコマンドには対応していません: {0}"},
    {Reason::NoCommand, "このコマンドには対応していません: (なし)"},
};

}  // namespace

std::string Describe(const Outcome& o) {
  std::vector<std::string> details = o.details;
  // Free space is given in bytes and said in megabytes.
  if (o.reason == Reason::NoRoom)
    for (size_t i = 0; i < 2 && i < details.size(); ++i) details[i] = MegaBytes(details[i]);
  std::string text;
  for (const Words& w : kWords) {
    if (w.reason != o.reason) continue;
    for (const char* p = w.text; *p; ++p) {
      if (p[0] == '{' && p[1] >= '0' && p[1] <= '9' && p[2] == '}') {
        const size_t i = static_cast<size_t>(p[1] - '0');
        text += i < details.size() ? details[i] : std::string();
        p += 2;
      } else {
        text += *p;
      }
    }
    break;
  }
  return o.member.empty() ? text : o.member + ": " + text;
}

}  // namespace arc
