#pragma once
// Program-wide state, alive for the whole process, and the services around
// it that are not the main window's.
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

extern QString TempRoot;           // private extraction root, ends with a separator
extern QStringList History;        // programs started by the run button, in order
extern bool HasLhaDll, HasZipDll, HasCabDll;
// 0-4 text (".txt", ".rtf", Ext2..Ext4), 5-6 programs, 7-8 HTML; empty never matches.
extern QString ExtensionTable[9];
extern QPointer<QWidget> ViewerForm;

struct TDeleteReport;
// Says what of TempRoot could not be deleted, for reasons other than use.
void ReportLeftovers(QWidget* parent, const TDeleteReport& report);

// A new private folder in the system temporary folder, ending with a separator; empty when none can be made.
QString PrivateTempRoot();

// The help file: the program's own path with ".html".
QString HelpFilePath();

// Starts a program file in its own folder (also the process's current
// folder) without waiting; says in Japanese why when it cannot.
bool StartProgramFile(QWidget* parent, const QString& path);
