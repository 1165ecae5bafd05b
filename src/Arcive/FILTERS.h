#pragma once
// Joining folders and names, and building self-extracting archives from a stub.
#include <QString>

// An empty folder gives the name alone; a folder ending in a separator is
// followed directly by the name; any other gets one separator between.
QString JoinPath(const QString& folder, const QString& name);
// The name with its extension (from the last dot of the last part) replaced.
QString ChangeFileExt(const QString& path, const QString& ext);
// Where a self-extracting archive made from arcFileName goes: its name with
// ".EXE", in folder when one is given, else beside the archive.
QString SfxOutputPath(const QString& arcFileName, const QString& folder);
// Writes the stub followed by the archive into output (replacing it).
// Raises Exception with a Japanese message when a file cannot be read or written.
void WriteStubAndArchive(const QString& stub, const QString& arcFileName, const QString& output);
