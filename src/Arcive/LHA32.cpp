#include "Arcive/LHA32.h"

namespace {

TBindingSlot g_lha("LHA 形式書庫", "UNLHA32.DLL", "Unlha");
const TFormatOperations kLha = {"x", "u", "d", "f", "s", true, false};

// One switch of the LHA command line, in command-line order.
struct Switch {
  enum Kind { Num, Dir, Str, List } kind;
  const char* name;
  int8_t TArchiverOptions::*num = nullptr;
  QByteArray TArchiverOptions::*str = nullptr;
  QStringList TArchiverOptions::*list = nullptr;
};

constexpr Switch N(const char* name, int8_t TArchiverOptions::*m) { return {Switch::Num, name, m}; }
constexpr Switch S(const char* name, QByteArray TArchiverOptions::*m) { return {Switch::Str, name, nullptr, m}; }

const Switch kSwitches[] = {
    N("a", &TArchiverOptions::a),     N("c", &TArchiverOptions::c),     N("e", &TArchiverOptions::e),
    N("f", &TArchiverOptions::f),     N("h", &TArchiverOptions::h),     N("i", &TArchiverOptions::i),
    N("l", &TArchiverOptions::l),     N("m", &TArchiverOptions::m),     N("n", &TArchiverOptions::n),
    N("o", &TArchiverOptions::o),     N("p", &TArchiverOptions::p),     N("r", &TArchiverOptions::r),
    N("s", &TArchiverOptions::s),     N("t", &TArchiverOptions::t),     N("u", &TArchiverOptions::u),
    {Switch::Dir, "w", nullptr, &TArchiverOptions::w},
    N("x", &TArchiverOptions::x),     N("y", &TArchiverOptions::y),     N("z", &TArchiverOptions::z),
    N("jc", &TArchiverOptions::jc),   N("jd", &TArchiverOptions::jd),   N("je", &TArchiverOptions::je),
    N("jf", &TArchiverOptions::jf),   N("jh", &TArchiverOptions::jh),   N("ji", &TArchiverOptions::ji),
    N("jm", &TArchiverOptions::jm),   N("jn", &TArchiverOptions::jn),   S("jo", &TArchiverOptions::jo),
    S("job", &TArchiverOptions::job), N("jp", &TArchiverOptions::jp),   N("jr", &TArchiverOptions::jr),
    N("jsb", &TArchiverOptions::jsb), N("jsc", &TArchiverOptions::jsc), N("jsd", &TArchiverOptions::jsd),
    N("jse", &TArchiverOptions::jse), N("jsf", &TArchiverOptions::jsf), N("jsl", &TArchiverOptions::jsl),
    N("jso", &TArchiverOptions::jso), N("jss", &TArchiverOptions::jss), N("jst", &TArchiverOptions::jst),
    N("jsv", &TArchiverOptions::jsv), N("jsz", &TArchiverOptions::jsz), N("jw", &TArchiverOptions::jw),
    {Switch::List, "jx", nullptr, nullptr, &TArchiverOptions::jx},
    N("jyc", &TArchiverOptions::jyc), N("jyd", &TArchiverOptions::jyd), N("jyk", &TArchiverOptions::jyk),
    N("jyn", &TArchiverOptions::jyn), N("jyo", &TArchiverOptions::jyo), S("jz", &TArchiverOptions::jz),
    N("ga", &TArchiverOptions::ga),   N("gd", &TArchiverOptions::gd),   N("ge", &TArchiverOptions::ge),
    N("gf", &TArchiverOptions::gf),   N("gj", &TArchiverOptions::gj),   N("gm", &TArchiverOptions::gm),
    N("gn", &TArchiverOptions::gn),   N("go", &TArchiverOptions::go),   N("gp", &TArchiverOptions::gp),
    S("gr", &TArchiverOptions::gr),   N("gs", &TArchiverOptions::gs),   N("gu", &TArchiverOptions::gu),
    N("gw", &TArchiverOptions::gw),
};
static_assert(std::size(kSwitches) == 63);

}  // namespace

TLha32::TLha32() : TLha32(&TLha32::LoadDLL, g_lha, kLha) {}
void TLha32::LoadDLL() { g_lha.Load(); }
void TLha32::FreeDLL() { g_lha.Free(); }

void TLha32::AddSwitches(TCmdOpt& cmd, const QByteArray& word, const TArchiverOptions& options) const {
  cmd.Add("-+");
  if (word == "x" && options.jse == -1)
    throw EAssertionFailed(QStringLiteral("jse オプションが設定されていません。"));
  if (options.jso == -1) throw EAssertionFailed(QStringLiteral("jso オプションが設定されていません。"));
  for (const Switch& sw : kSwitches) {
    switch (sw.kind) {
      case Switch::Num: {
        const bool progressWindow = sw.num == &TArchiverOptions::n && HasOwnerWindow();
        cmd.AddNum(sw.name, progressWindow ? 1 : options.*sw.num);
        break;
      }
      case Switch::Dir: cmd.AddDir(sw.name, options.*sw.str); break;
      case Switch::Str: cmd.AddStr(sw.name, options.*sw.str); break;
      case Switch::List: cmd.AddFiles(sw.name, {options.*sw.list}); break;
    }
  }
}

bool IsLhaArchive(const QString& path) {
  try {
    TLha32::LoadDLL();
    TArchiverDll& dll = g_lha.Get();
    const QByteArray full = Ansi(ExpandFileName(path));
    if (dll.CheckArchive(full, 16) == 0) return false;
    void* h = dll.OpenArchive(nullptr, full, CA_OPEN_PROBE);
    if (h) dll.CloseArchive(h);
    return h != nullptr;
  } catch (...) {
    return false;
  }
}
