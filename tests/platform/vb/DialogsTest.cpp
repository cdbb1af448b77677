#include "TestEnvironment.h"
#include "vb/AppInfo.h"
#include "vb/Dialogs.h"
#include "vb/VbError.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPrinter>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QHeaderView>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using corvantis::test::BoxKind;
using corvantis::test::dialogs;

TEST(MsgBoxStyle, ButtonsIconDefaultAndEscapeAnswer)
{
    struct Case { int style; QList<int> results; int escape; int icon; int def; };
    const Case cases[] = {
        {vb::vbOKOnly, {vb::vbOK}, vb::vbOK, 0, 1},
        {vb::vbOKCancel | vb::vbCritical, {vb::vbOK, vb::vbCancel}, vb::vbCancel, vb::vbCritical, 1},
        {vb::vbAbortRetryIgnore | vb::vbExclamation | vb::vbDefaultButton3, {vb::vbAbort, vb::vbRetry, vb::vbIgnore},
         vb::vbAbort, vb::vbExclamation, 3},
        {vb::vbYesNoCancel | vb::vbQuestion | vb::vbDefaultButton2, {vb::vbYes, vb::vbNo, vb::vbCancel}, vb::vbCancel,
         vb::vbQuestion, 2},
        {vb::vbYesNo | vb::vbInformation, {vb::vbYes, vb::vbNo}, vb::vbNo, vb::vbInformation, 1},
        {vb::vbRetryCancel | vb::vbDefaultButton2, {vb::vbRetry, vb::vbCancel}, vb::vbCancel, 0, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.style);
        EXPECT_EQ(vb::msgBoxResults(c.style), c.results);
        EXPECT_EQ(vb::msgBoxEscapeResult(c.style), c.escape);
        EXPECT_EQ(vb::msgBoxIcon(c.style), c.icon);
        EXPECT_EQ(vb::msgBoxDefaultButton(c.style), c.def);
    }
    EXPECT_EQ(vb::vbOK, 1);
    EXPECT_EQ(vb::vbNo, 7);
}

TEST(MsgBoxStyle, UnknownButtonSetIsRefusedBeforeAnyBox)
{
    try {
        vb::MsgBox(QStringLiteral("x"), 6);
        FAIL() << "no error";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 5);
    }
    EXPECT_TRUE(dialogs().boxes().empty());
}

TEST(ScriptedDialogs, AnswersInOrderAndRecordsEveryBox)
{
    dialogs().answer(vb::vbNo).answerInput(QStringLiteral("ACME")).answer(vb::vbOK);
    EXPECT_EQ(vb::MsgBox(QStringLiteral("Exit Corvantis?"), vb::vbYesNo | vb::vbQuestion, QStringLiteral("Corvantis")),
              vb::vbNo);
    EXPECT_EQ(vb::InputBox(QStringLiteral("Enter Trading Partner Name:"), QString(), QStringLiteral("X")),
              QStringLiteral("ACME"));
    EXPECT_EQ(vb::MsgBox(QStringLiteral("Not found.")), vb::vbOK);

    const auto &boxes = dialogs().boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].kind, BoxKind::MessageBox);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Exit Corvantis?"));
    EXPECT_EQ(boxes[0].buttons, vb::vbYesNo);
    EXPECT_EQ(boxes[0].icon, vb::vbQuestion);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Corvantis"));
    EXPECT_EQ(boxes[1].kind, BoxKind::InputBox);
    EXPECT_EQ(boxes[1].defaultText, QStringLiteral("X"));
    EXPECT_TRUE(boxes[1].caption.isEmpty());
    EXPECT_EQ(boxes[2].icon, 0);
    EXPECT_EQ(dialogs().pendingAnswers(), 0u);
}

TEST(ScriptedDialogs, CancelledDialogsGiveTheirEmptyAnswers)
{
    dialogs().cancelInput().cancelOpenFile().cancelFolder().answerPrinterSetup(false);
    EXPECT_EQ(vb::InputBox(QStringLiteral("Find What:"), QStringLiteral("Find")), QString());
    EXPECT_FALSE(vb::dialogService().openFile({}).accepted);
    EXPECT_FALSE(vb::dialogService().browseFolder({}).has_value());
    EXPECT_FALSE(vb::dialogService().printerSetup({}));
}

TEST(ScriptedDialogs, OpenFileHandsBackTheChosenNames)
{
    dialogs().answerOpenFile({QStringLiteral("/in/a.IC"), QStringLiteral("/in/b.EDI")}, 3);
    vb::OpenFileRequest request;
    request.title = QStringLiteral("Open Inbound");
    request.filter = QStringLiteral("All Files (*.*)|*.*|Inbound Characters (*.IC)|*.IC");
    request.initialFolder = QStringLiteral("/in");
    request.multiSelect = true;
    const vb::OpenFileResult r = vb::dialogService().openFile(request);
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.folder(), QStringLiteral("/in"));
    EXPECT_EQ(r.names(), QStringList({QStringLiteral("a.IC"), QStringLiteral("b.EDI")}));
    EXPECT_EQ(r.filterIndex, 3);
    EXPECT_EQ(dialogs().last().openFile.initialFolder, QStringLiteral("/in"));
    EXPECT_EQ(dialogs().last().caption, QStringLiteral("Open Inbound"));
}

// The double must fail the test it runs in; the spi helpers catch that failure.
TEST(ScriptedDialogs, UnscriptedBoxFailsTheTest)
{
    EXPECT_NONFATAL_FAILURE(vb::MsgBox(QStringLiteral("Surprise"), vb::vbOKOnly), "Unexpected message box \"Surprise\"");
    EXPECT_NONFATAL_FAILURE(vb::dialogService().browseFolder({}), "Unexpected folder browse");
    EXPECT_EQ(dialogs().boxes().size(), 2u); // still recorded
}

TEST(ScriptedDialogs, UnscriptedBoxGetsTheEscapeAnswer)
{
    int result = 0;
    EXPECT_NONFATAL_FAILURE(result = vb::MsgBox(QStringLiteral("Delete?"), vb::vbYesNo), "no answer was scripted");
    EXPECT_EQ(result, vb::vbNo);
}

TEST(ScriptedDialogs, AnswerForAnotherKindOfBoxFails)
{
    dialogs().answerInput(QStringLiteral("x"));
    EXPECT_NONFATAL_FAILURE(vb::MsgBox(QStringLiteral("Hello")), "the next scripted answer is for a input box");
    dialogs().reset();
}

TEST(ScriptedDialogs, AnswerThatIsNoButtonOfTheBoxFails)
{
    dialogs().answer(vb::vbYes);
    EXPECT_NONFATAL_FAILURE(vb::MsgBox(QStringLiteral("Saved.")), "is not a button of the message box");
}

TEST(ScriptedDialogs, UnusedAnswerFailsAtTestEnd)
{
    dialogs().answer(vb::vbOK);
    // What the harness runs when a test ends.
    EXPECT_NONFATAL_FAILURE(dialogs().verifyAllAnswersUsed(), "was never asked for");
    EXPECT_EQ(dialogs().pendingAnswers(), 0u);
}

TEST(ClassicFilter, BecomesQtNameFilters)
{
    EXPECT_EQ(vb::qtNameFilters(QStringLiteral(
                  "All Files (*.*)|*.*|Inbound Characters (*.IC)|*.IC|Electronic Document Interchange (*.EDI)|*.EDI")),
              QStringList({QStringLiteral("All Files (*)"), QStringLiteral("Inbound Characters (*.IC)"),
                           QStringLiteral("Electronic Document Interchange (*.EDI)")}));
    EXPECT_EQ(vb::qtNameFilters(QStringLiteral("ActiveX Files(*.dll)|*.dll")),
              QStringList({QStringLiteral("ActiveX Files (*.dll)")}));
    EXPECT_EQ(vb::qtNameFilters(QStringLiteral("Pictures|*.bmp;*.gif")),
              QStringList({QStringLiteral("Pictures (*.bmp *.gif)")}));
    EXPECT_TRUE(vb::qtNameFilters(QString()).isEmpty());
    EXPECT_THROW(vb::qtNameFilters(QStringLiteral("Text Files|*.txt|All")), vb::VbError);
}

// The Qt implementation, driven through the offscreen platform: a timer acts on
// the modal box from inside its own event loop once it is up. Every wait has a
// deadline: a box that does not come up, or does not close once answered, fails
// the test and is rejected, so the test ends instead of hanging.
namespace {

constexpr qint64 kModalDeadlineMs = 10000;

template <typename Dialog>
void rejectOpenDialogs()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<Dialog *>(w))
            d->reject();
}

template <typename Dialog, typename Act>
void whenModalShown(Act act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto answered = std::make_shared<QPointer<Dialog>>();
    auto acted = std::make_shared<bool>(false);
    auto finish = [timer]() {
        timer->stop();
        timer->deleteLater();
    };
    QObject::connect(timer, &QTimer::timeout, [=]() {
        if (!*acted) {
            if (auto *d = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
                *acted = true;
                *answered = d;
                clock->restart();
                act(d);
            } else if (clock->hasExpired(kModalDeadlineMs)) {
                finish();
                ADD_FAILURE() << "No " << Dialog::staticMetaObject.className() << " came up within "
                              << kModalDeadlineMs << " ms";
                rejectOpenDialogs<QDialog>();
            }
            return;
        }
        if (answered->isNull() || !(*answered)->isVisible())
            return finish();
        if (clock->hasExpired(kModalDeadlineMs)) {
            finish();
            ADD_FAILURE() << Dialog::staticMetaObject.className() << " did not close within " << kModalDeadlineMs
                          << " ms of being answered";
            (*answered)->reject();
        }
    });
    timer->start();
}

} // namespace

TEST(QtDialogs, MessageBoxCaptionButtonsAndResult)
{
    vb::QtDialogService qt;
    QString caption, text;
    int buttonCount = 0;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenModalShown<QMessageBox>([&](QMessageBox *box) {
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttonCount = box->buttons().size();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(qt.messageBox({QStringLiteral("Line 1\r\nLine 2"), vb::vbYesNoCancel | vb::vbQuestion, QString()}),
              vb::vbNo);
    EXPECT_EQ(caption, vb::AppInfo::title()); // an empty title gives the application title
    EXPECT_EQ(text, QStringLiteral("Line 1\nLine 2"));
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(buttonCount, 3);

    whenModalShown<QMessageBox>([&](QMessageBox *box) {
        caption = box->windowTitle();
        box->reject(); // Escape
    });
    EXPECT_EQ(qt.messageBox({QStringLiteral("x"), vb::vbOKCancel | vb::vbCritical, QStringLiteral(" My  Title ")}),
              vb::vbCancel);
    EXPECT_EQ(caption, QStringLiteral(" My  Title ")); // exactly as passed
}

TEST(QtDialogs, InputBoxReturnsTextOrNothing)
{
    vb::QtDialogService qt;
    QString label;
    whenModalShown<QInputDialog>([&](QInputDialog *d) {
        label = d->labelText();
        d->setTextValue(QStringLiteral("PARTNER1"));
        d->accept();
    });
    EXPECT_EQ(qt.inputBox({QStringLiteral("Enter Network Name:"), QString(), QStringLiteral("dflt")}),
              std::optional<QString>(QStringLiteral("PARTNER1")));
    EXPECT_EQ(label, QStringLiteral("Enter Network Name:"));

    whenModalShown<QInputDialog>([](QInputDialog *d) { d->reject(); });
    EXPECT_EQ(qt.inputBox({QStringLiteral("Find What:"), QStringLiteral("Find"), QString()}), std::nullopt);
}

TEST(QtDialogs, OpenFileSetsUpTheFilterFolderAndMode)
{
    const QString dir = corvantis::test::tempDir();
    vb::OpenFileRequest request;
    request.title = QStringLiteral("Open Inbound");
    request.filter = QStringLiteral("All Files (*.*)|*.*|Inbound Characters (*.IC)|*.IC");
    request.filterIndex = 2;
    request.initialFolder = dir;
    request.multiSelect = true;

    QFileDialog dialog;
    vb::QtDialogService::setUpOpenFile(dialog, request);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Open Inbound"));
    // Either letter case matches on a case-sensitive file system.
    EXPECT_EQ(dialog.nameFilters(),
              QStringList({QStringLiteral("All Files (*)"), QStringLiteral("Inbound Characters (*.IC *.ic)")}));
    EXPECT_EQ(dialog.selectedNameFilter(), QStringLiteral("Inbound Characters (*.IC *.ic)"));
    EXPECT_GE(dialog.width(), 820);
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog.directory().absolutePath(), QDir(dir).absolutePath());

    request.multiSelect = false;
    request.filterIndex = 7; // beyond the pairs: the first one
    QFileDialog single;
    vb::QtDialogService::setUpOpenFile(single, request);
    EXPECT_EQ(single.fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(single.selectedNameFilter(), QStringLiteral("All Files (*)"));

    // A folder that does not exist is not typed into the name box.
    request.initialFolder = dir + QStringLiteral("/Inbound");
    QFileDialog missing;
    vb::QtDialogService::setUpOpenFile(missing, request);
    for (const QString &file : missing.selectedFiles())
        EXPECT_FALSE(file.endsWith(QStringLiteral("Inbound"))) << file.toStdString();
}

TEST(QtDialogs, OpenFileResultNamesTheChosenFilesAndFilter)
{
    const QString dir = corvantis::test::tempDir();
    QFile f(dir + QStringLiteral("/a.IC"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    vb::OpenFileRequest request;
    request.filter = QStringLiteral("All Files (*.*)|*.*|Inbound Characters (*.IC)|*.IC");
    request.filterIndex = 2;
    request.initialFolder = dir;
    request.fileName = QStringLiteral("a.IC");
    QFileDialog dialog;
    vb::QtDialogService::setUpOpenFile(dialog, request);

    const vb::OpenFileResult r = vb::QtDialogService::openFileResult(dialog, true);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.files, QStringList({QDir(dir).absoluteFilePath(QStringLiteral("a.IC"))}));
    EXPECT_EQ(r.folder(), QDir(dir).absolutePath());
    EXPECT_EQ(r.names(), QStringList({QStringLiteral("a.IC")}));
    EXPECT_EQ(r.filterIndex, 2);

    const vb::OpenFileResult cancelled = vb::QtDialogService::openFileResult(dialog, false);
    EXPECT_FALSE(cancelled.accepted);
    EXPECT_TRUE(cancelled.files.isEmpty());
    EXPECT_EQ(cancelled.filterIndex, 0);
}

TEST(QtDialogs, OpenFileCancelledReturnsNothing)
{
    vb::QtDialogService qt;
    vb::OpenFileRequest request;
    request.filter = QStringLiteral("All Files (*.*)|*.*");
    request.initialFolder = corvantis::test::tempDir();
    whenModalShown<QFileDialog>([](QFileDialog *d) { d->reject(); });
    const vb::OpenFileResult cancelled = qt.openFile(request);
    EXPECT_FALSE(cancelled.accepted);
    EXPECT_TRUE(cancelled.files.isEmpty());
}

TEST(QtDialogs, BrowseFolderReturnsTheFolderOrNothing)
{
    const QString dir = corvantis::test::tempDir();
    QDir(dir).mkdir(QStringLiteral("Database"));
    vb::QtDialogService qt;
    whenModalShown<QFileDialog>([&](QFileDialog *d) {
        d->setDirectory(dir + QStringLiteral("/Database"));
        static_cast<QDialog *>(d)->accept();
    });
    EXPECT_EQ(qt.browseFolder({QString(), dir}), std::optional<QString>(dir + QStringLiteral("/Database")));
    whenModalShown<QFileDialog>([](QFileDialog *d) { d->reject(); });
    EXPECT_EQ(qt.browseFolder({QString(), dir}), std::nullopt);
}

TEST(QtDialogs, PrinterSetupCancelledIsNoChoice)
{
    vb::QtDialogService qt;
    QString title;
    whenModalShown<QPrintDialog>([&](QPrintDialog *d) {
        title = d->windowTitle();
        d->reject();
    });
    EXPECT_FALSE(qt.printerSetup({QStringLiteral("Print Setup"), nullptr}));
    EXPECT_EQ(title, QStringLiteral("Print Setup"));
}

TEST(QtDialogs, PrintSetupChoosesWithoutPrinting)
{
    vb::PrinterSetupRequest request;
    request.setupOnly = true;
    const std::unique_ptr<QDialog> dialog = vb::QtDialogService::makePrinterSetupDialog(request);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Print Setup"));
    const auto *box = dialog->findChild<QDialogButtonBox *>();
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->button(QDialogButtonBox::Ok));
    EXPECT_TRUE(box->button(QDialogButtonBox::Cancel));
    for (QAbstractButton *button : box->buttons())
        EXPECT_NE(button->text().remove(QLatin1Char('&')), QStringLiteral("Print"));
    EXPECT_TRUE(dialog->findChild<QPushButton *>(QStringLiteral("pageSetup")));
    auto *printers = dialog->findChild<QComboBox *>(QStringLiteral("printers"));
    ASSERT_TRUE(printers);
    EXPECT_GE(printers->count(), 1);
    // Accepting chooses; the shared printer prints nothing.
    const QString before = vb::sharedPrinter().printerName();
    dialog->accept();
    if (!printers->isEnabled())
        EXPECT_EQ(vb::sharedPrinter().printerName(), before);
    else
        EXPECT_EQ(vb::sharedPrinter().printerName(), printers->currentText());
}

// The open dialog and the print set-up as a user sees them, saved when
// CORVANTIS_SCREENSHOTS names a folder.
TEST(QtDialogs, ScreenshotsWhenAsked)
{
    const QString dir = corvantis::test::tempDir();
    for (const char *name : {"a.IC", "b.ic", "notes.txt"}) {
        QFile f(dir + QLatin1Char('/') + QString::fromLatin1(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    vb::OpenFileRequest request;
    request.title = QStringLiteral("Open Inbound");
    request.filter = QStringLiteral("All Files (*.*)|*.*|Inbound Characters (*.IC)|*.IC");
    request.filterIndex = 2;
    request.initialFolder = dir;
    request.multiSelect = true;
    QFileDialog open;
    open.setOption(QFileDialog::DontUseNativeDialog);
    vb::QtDialogService::setUpOpenFile(open, request);
    // The detail columns are wide enough for a date and a type.
    auto *details = open.findChild<QTreeView *>(QStringLiteral("treeView"));
    ASSERT_NE(details, nullptr);
    EXPECT_GE(details->header()->sectionSize(3), 160);
    open.show();
    vb::PrinterSetupRequest setup;
    setup.setupOnly = true;
    const std::unique_ptr<QDialog> printer = vb::QtDialogService::makePrinterSetupDialog(setup);
    printer->show();
    QApplication::processEvents();
    const QString folder = qEnvironmentVariable("CORVANTIS_SCREENSHOTS");
    for (auto [widget, name] : {std::pair<QWidget *, const char *>{&open, "open-inbound"}, {printer.get(), "print-setup"}}) {
        const QImage image = widget->grab().toImage();
        EXPECT_FALSE(image.isNull()) << name;
        if (!folder.isEmpty())
            image.save(folder + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png"));
    }
}
