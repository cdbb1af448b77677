// Setup > Partners and the toolbar's Partners button open the partner window
// modally, owned by the main window, after a History entry.
#include "MainWindowFixture.h"

#include "partners/frmPartners.h"

#include "ado/Recordset.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

namespace {

using mainwindow::test::MainWindowTest;

// Closes the partner window once it runs modally; fails after 10 s without it.
void closeWhenShown(QWidget *owner, bool *seen)
{
    auto *timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [=] {
        auto *w = qobject_cast<partners::frmPartners *>(QApplication::activeModalWidget());
        if (w) {
            *seen = true;
            EXPECT_EQ(w->parentWidget(), owner);
            EXPECT_TRUE(w->isModal());
            w->cmdClose->click();
        } else if (!clock->hasExpired(10000)) {
            return;
        } else {
            ADD_FAILURE() << "the partner window did not come up within 10 s";
            if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                d->reject();
        }
        timer->stop();
        timer->deleteLater();
    });
    timer->start();
}

TEST_F(MainWindowTest, SetupPartnersAndItsToolbarButtonShowThePartnerWindowModally)
{
    mainwindow::frmMain &main = load();
    for (int way = 0; way < 2; ++way) {
        bool seen = false;
        closeWhenShown(&main, &seen);
        if (way == 0)
            main.menuItem(QStringLiteral("mnuPartners"))->trigger();
        else
            main.toolbarButton(4)->trigger();
        EXPECT_TRUE(seen) << way;
        EXPECT_FALSE(controls::isLoaded<partners::frmPartners>()) << way;
    }
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM History WHERE Description = 'Selected [Setup] - [Partners]'"),
            modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockReadOnly);
    EXPECT_EQ(rs.RecordCount(), 2);
}

} // namespace
