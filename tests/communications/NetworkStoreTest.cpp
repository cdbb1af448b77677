// The network rows of the communications window: the name rules, adding by
// name (a name taken in any letter case is refused, also by the table),
// saving and reading back all fields, deleting.
#include "communications/NetworkStore.h"

#include "CoreTestSupport.h"
#include "ErrorOf.h"

#include "ado/Types.h"
#include "vb/DateTime.h"
#include "vb/Dialogs.h"
#include "vb/VbError.h"

using namespace Qt::StringLiterals;
using communications::NetworkRow;
using communications::NetworkStore;
using coretest::CoreTest;
using corvantis::test::errorOf;

namespace {

class NetworkStoreTest : public CoreTest {};

TEST(NetworkNames, LettersAndDigitsFirstThenTheLength)
{
    struct Case {
        const char16_t *name;
        const char16_t *message; // nullptr: accepted
        int icon;
    } cases[] = {
        {u"ABCDEF", nullptr, 0},
        {u"Net0042", nullptr, 0},
        {u"ABCDE", u"Enter a longer Network Name! (Min 6)", vb::vbExclamation},
        {u"ABC DEF", u"Invalid Network Name!", vb::vbCritical},
        {u"ABCDÉF", u"Invalid Network Name!", vb::vbCritical},
        {u"A-B", u"Invalid Network Name!", vb::vbCritical}, // the character test comes first
        {u"ACME'01", u"Invalid Network Name!", vb::vbCritical},
    };
    for (const Case &c : cases) {
        const QString name = QString::fromUtf16(c.name);
        SCOPED_TRACE(name.toStdString());
        const auto refusal = communications::refuseNetworkName(name);
        if (!c.message) {
            EXPECT_FALSE(refusal.has_value());
            continue;
        }
        ASSERT_TRUE(refusal.has_value());
        EXPECT_EQ(refusal->message, QString::fromUtf16(c.message));
        EXPECT_EQ(refusal->icon, c.icon);
    }
}

TEST_F(NetworkStoreTest, ANameTakenInAnyLetterCaseIsRefusedByStoreAndTable)
{
    NetworkStore store(modGlobal::cnDatabase);
    store.add(u"ACME01"_s);
    EXPECT_EQ(errorOf([&] { store.add(u"acme01"_s); }), ado::adErrProvider);
    EXPECT_EQ(errorOf([&] { store.add(u"ACME01"_s); }), ado::adErrProvider);
    try {
        store.add(u"Acme01"_s);
        ADD_FAILURE() << "added a second Acme01";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.description, u"A network named ACME01 already exists."_s);
    }
    // The table itself refuses a second row of the name, whoever writes it.
    EXPECT_NE(errorOf([&] {
                  modGlobal::cnDatabase->Execute(u"INSERT INTO Internet (Network) VALUES ('Acme01')"_s);
              }),
              0);
    EXPECT_EQ(column(u"SELECT Network FROM Internet"_s, u"Network"_s), QStringList{u"ACME01"_s});
}

TEST_F(NetworkStoreTest, SaveWritesEveryFieldAndLoadReadsThemBackInNameOrder)
{
    NetworkStore store(modGlobal::cnDatabase);
    for (const char16_t *name : {u"GAMMA01", u"ALPHA01", u"beta001"})
        store.add(QString::fromUtf16(name));

    // A row added by name alone holds no values, only its Booleans.
    const auto fresh = store.load(u"ALPHA01"_s);
    ASSERT_TRUE(fresh.has_value());
    EXPECT_TRUE(fresh->values[communications::fURL].isNull());
    EXPECT_TRUE(fresh->values[communications::fCheckTime].isNull());
    EXPECT_TRUE(fresh->values[communications::fCertificate].isNull());

    std::vector<vb::Variant> values(communications::NetworkFieldCount);
    for (int f = 0; f < communications::NetworkFieldCount; ++f)
        values[std::size_t(f)] = vb::Variant(int16_t(f % 2));
    for (int f : {communications::fURL, communications::fProxy, communications::fUserName,
                  communications::fPassword, communications::fRemotePort, communications::fTimeout,
                  communications::fSendScript, communications::fReceiveScript, communications::fOrganizationName,
                  communications::fEmail, communications::fPartnerName, communications::fPartnerURL})
        values[std::size_t(f)] = vb::Variant(communications::networkFieldName(f) + u" of 'ALPHA01'"_s);
    for (int f : {communications::fSendReceive, communications::fReceiveOnly, communications::fSendOnly,
                  communications::fSyncronous, communications::fAsyncronous})
        values[std::size_t(f)] = vb::Variant(f == communications::fReceiveOnly || f == communications::fAsyncronous);
    values[communications::fTime] = vb::Variant::fromDate(vb::toOleDate(QDate(1899, 12, 30), QTime(14, 30)));
    values[communications::fProtocol] = vb::Variant(int16_t(6));
    values[communications::fCertificate] = vb::Variant(int16_t(4));
    store.save(u"alpha01"_s, values);

    const std::vector<NetworkRow> rows = store.loadAll();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].Network, u"ALPHA01"_s);
    EXPECT_EQ(rows[1].Network, u"beta001"_s);
    EXPECT_EQ(rows[2].Network, u"GAMMA01"_s);
    for (int f = 0; f < communications::NetworkFieldCount; ++f) {
        SCOPED_TRACE(communications::networkFieldName(f).toStdString());
        const vb::Variant &read = rows[0].values[std::size_t(f)];
        ASSERT_FALSE(read.isNull());
        if (f == communications::fTime)
            EXPECT_EQ(vb::oleToQDateTime(read.toDate()).time(), QTime(14, 30));
        else
            EXPECT_EQ(read.toString(), values[std::size_t(f)].toString());
    }
    EXPECT_TRUE(rows[1].values[communications::fURL].isNull()) << "the other rows are untouched";
}

TEST_F(NetworkStoreTest, DeleteAndSaveOfAGoneRow)
{
    NetworkStore store(modGlobal::cnDatabase);
    store.add(u"ALPHA01"_s);
    EXPECT_TRUE(store.remove(u"alpha01"_s));
    EXPECT_FALSE(store.remove(u"ALPHA01"_s));
    EXPECT_FALSE(store.load(u"ALPHA01"_s).has_value());
    EXPECT_TRUE(store.loadAll().empty());
    EXPECT_EQ(errorOf([&] {
                  store.save(u"ALPHA01"_s, std::vector<vb::Variant>(communications::NetworkFieldCount));
              }),
              3021);
    EXPECT_EQ(count(u"Internet"_s), 0);
}

} // namespace
