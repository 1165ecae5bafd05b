#pragma once
// One archive's extraction as the user meets it, whoever starts it (the run
// button, the viewer, the extract dialog): a progress dialog after half a
// second that can stop it, the password questions, the record of what lands
// in TempRoot, and a message naming the members that did not come out.
#include <QString>

#include "Arcive/ARCHIVES.h"

class QWidget;

// Extracts files (AllMembers() for all) of archive into destination
// (TempRoot when empty); owner carries the dialogs. False when the user
// stopped it or the archive could not be opened (said already); true
// otherwise, also when some members failed (said). moduleStatus gets the
// module's answer.
bool ExtractArchive(QWidget* owner, const QString& archive, const TFileList& files, const QString& destination,
                    int* moduleStatus = nullptr);
