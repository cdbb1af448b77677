// Random bytes into the interchange loader, in both directions. The loader
// must never crash or hang, and a load that fails must leave every table as
// it was (a file is stored whole or not at all).
#include "core/loader/InterchangeLoader.h"
#include "core/modGlobal.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "vb/Dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Errors the loader reports go to message boxes; here nobody answers them.
class SilentDialogs final : public vb::DialogService {
public:
    int messageBox(const vb::MessageBoxRequest &) override { return vb::vbOK; }
    std::optional<QString> inputBox(const vb::InputBoxRequest &) override { return std::nullopt; }
    vb::OpenFileResult openFile(const vb::OpenFileRequest &) override { return {}; }
    std::optional<QString> browseFolder(const vb::BrowseFolderRequest &) override { return std::nullopt; }
    bool printerSetup(const vb::PrinterSetupRequest &) override { return false; }
};

// History is left out: a failure without a check message is reported after
// the rollback, and that report's History entry stays, as it should.
const char *const kTables[] = {"Partner", "Transactions", "Segment", "Element", "Inbox", "Outbox",
                               "Sent",    "ISA",          "GS",      "GE",      "IEA"};

QString fingerprint()
{
    QString text;
    for (const char *table : kTables) {
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM ") + QLatin1String(table), modGlobal::cnDatabase, ado::adOpenKeyset,
                ado::adLockReadOnly);
        text += QLatin1String(table) + QLatin1Char('=') + QString::number(rs.RecordCount()) + QLatin1Char(' ');
        rs.Close();
    }
    return text;
}

QTemporaryDir *g_folder = nullptr;
QString g_file;

void setUp()
{
    static int argc = 1;
    static char name[] = "fuzz_loader";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    g_folder = new QTemporaryDir;
    const QString database = g_folder->filePath(QStringLiteral("Corvantis.mdb"));
    if (!QFile::copy(QStringLiteral(CORVANTIS_DATABASE), database)) {
        std::fprintf(stderr, "cannot copy the database %s\n", CORVANTIS_DATABASE);
        std::abort();
    }
    vb::setDialogService(std::make_shared<SilentDialogs>());
    modGlobal::strCurrentUser = QStringLiteral("Fuzz");
    modGlobal::cnDatabase = std::make_shared<ado::Connection>();
    modGlobal::cnDatabase->Open(modGlobal::ConnectionString(g_folder->path()));
    g_file = g_folder->filePath(QStringLiteral("input.IC"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!g_folder)
        setUp();
    QFile file(g_file);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    core::InterchangeLoader loader;
    for (const char *direction : {"I", "O"}) {
        const QString before = fingerprint();
        const QString result = loader.LoadBox(g_file, QLatin1String(direction));
        if (!result.isEmpty() && fingerprint() != before) {
            std::fprintf(stderr, "a failed load (%s) changed the database\n", qPrintable(result));
            std::abort();
        }
        if (modGlobal::cnDatabase->transactionLevel() != 0) {
            std::fprintf(stderr, "a load left its transaction open\n");
            std::abort();
        }
    }
    return 0;
}
