#pragma once
// Opening the application database at start-up (finding it, asking for its
// folder when it is missing) and closing and compacting it at exit.

#include <QString>

namespace mainwindow {

enum class StartOutcome { Continue, EndProgram };

// The folder of the application database: `Folders`/`Database`, default the
// program folder.
QString databaseFolder();

// Opens modGlobal::cnDatabase on Corvantis.mdb in the database folder. When
// the file is missing it asks whether to look elsewhere and offers a folder
// browse until the file is found (the folder is then stored) or the user
// gives up. A file that cannot be opened is reported with its error. Ends
// the program (EndProgram) when no database was opened.
StartOutcome locateAndOpenDatabase();

// Closes cnDatabase and compacts Corvantis.mdb in the database folder as
// read now. When the file is not there, says that its location changed and
// compacts nothing. A failing compaction raises vb::VbError and leaves the
// file as it was.
void closeAndCompactDatabase();

} // namespace mainwindow
