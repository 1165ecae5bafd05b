#include "Arcive/ARJ32.h"

namespace {
TBindingSlot g_arj("ARJ 形式書庫", "UNARJ32J.DLL", "Unarj");
}  // namespace

void TArj32::LoadDLL() { g_arj.Load(); }
void TArj32::FreeDLL() { g_arj.Free(); }
TArchiverDll& TArj32::Dll() const { return g_arj.Get(); }

int TArj32::Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                    const TFileList& files, bool resFile, QByteArray& output) {
  return Run(wnd, BuildCommandLine("x", arcFileName, options, folder, files, resFile), output);
}

int TArj32::Pack(void* wnd, const QString& a, const TArchiverOptions& o, const QString& f, const TFileList& l, bool r,
                 QByteArray& out) {
  return TArchiver::Pack(wnd, a, o, f, l, r, out);
}

int TArj32::RemoveItems(void* wnd, const QString& a, const TArchiverOptions& o, const QString& f, const TFileList& l,
                        bool r, QByteArray& out) {
  return TArchiver::RemoveItems(wnd, a, o, f, l, r, out);
}

int TArj32::Update(void* wnd, const QString& a, const TArchiverOptions& o, const QString& f, const TFileList& l,
                   bool r, QByteArray& out) {
  return TArchiver::Update(wnd, a, o, f, l, r, out);
}

int TArj32::MakeSfx(void* wnd, const QString& a, const TArchiverOptions& o, const QString& f, QByteArray& out) {
  return TArchiver::MakeSfx(wnd, a, o, f, out);
}

int TArj32::ExtractMem(void* wnd, const QString& a, const TArchiverOptions& o, const QString& m, unsigned char* b,
                       uint32_t s, uint32_t* w) {
  return TArchiver::ExtractMem(wnd, a, o, m, b, s, w);
}
