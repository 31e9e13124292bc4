// The WLAN security area on the real form: the security choice and the Authentication list,
// the default key, and WEP key entry and display in Hex and ASCII under both key lengths.
#include "FormFixture.h"

#include <QApplication>
#include <QTest>

#include <vector>

namespace quarlink::testing {
namespace {

using namespace quarlink::ids;
using Bytes = std::vector<std::uint8_t>;

constexpr int kKeyFields[] = {IDC_KEY_TEXT1, IDC_KEY_TEXT2, IDC_KEY_TEXT3, IDC_KEY_TEXT4};
constexpr int kKeyFormats[] = {IDC_KEY_FORMAT1, IDC_KEY_FORMAT2, IDC_KEY_FORMAT3, IDC_KEY_FORMAT4};
constexpr int kWepControls[] = {
    IDC_WEP_KEY_LENGTH, IDC_KEY1,        IDC_KEY2,       IDC_KEY3,      IDC_KEY4,
    IDC_KEY_TEXT1,      IDC_KEY_TEXT2,   IDC_KEY_TEXT3,  IDC_KEY_TEXT4, IDC_KEY_FORMAT1,
    IDC_KEY_FORMAT2,    IDC_KEY_FORMAT3, IDC_KEY_FORMAT4};
constexpr int kWpaControls[] = {IDC_WPA_ENCRYPTION, IDC_CIPHER, IDC_WPA_KEY};
constexpr int kHex = 0;
constexpr int kAscii = 1;

class SecurityEditing : public FormFixture
{
protected:
    void SetUp() override
    {
        FormFixture::SetUp();
        view->show();
        QApplication::setActiveWindow(view.get());
        view->EnableSecurityControls(true); // as when a module's settings arrive
    }

    // The operator picks an entry of a list.
    void choose(int id, int index)
    {
        combo(id)->setCurrentIndex(index);
        emit combo(id)->activated(index);
    }

    QStringList items(int id) const
    {
        QStringList out;
        for (int i = 0; i < combo(id)->count(); ++i)
            out << combo(id)->itemText(i);
        return out;
    }

    // WEP chosen with the given key length, as the operator would.
    void wepWithLength(int lengthIndex)
    {
        button(IDC_SECURITY_WEP)->click();
        choose(IDC_WEP_KEY_LENGTH, lengthIndex);
    }

    // The operator replaces key field `key`'s text by typing, then leaves it with Tab.
    void typeKey(int key, const QString& text)
    {
        QLineEdit* field = edit(kKeyFields[key]);
        field->setFocus(Qt::MouseFocusReason);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
        ASSERT_EQ(field->text(), text);
        ASSERT_EQ(QApplication::focusWidget(), field);
        QTest::keyClick(field, Qt::Key_Tab);
    }

    Bytes key64(int key) const
    {
        return Bytes(view->wep64Keys.begin() + 5 * key, view->wep64Keys.begin() + 5 * key + 5);
    }
    Bytes key128(int key) const
    {
        return Bytes(view->wep128Keys.begin() + 13 * key, view->wep128Keys.begin() + 13 * key + 13);
    }
    void setKey64(int key, const Bytes& bytes)
    {
        std::copy(bytes.begin(), bytes.end(), view->wep64Keys.begin() + 5 * key);
    }
    void fill128(std::uint8_t first)
    {
        for (std::size_t i = 0; i < view->wep128Keys.size(); ++i)
            view->wep128Keys[i] = static_cast<std::uint8_t>(first + i);
    }
};

// --- The security choice and the Authentication list -------------------------------------------

TEST_F(SecurityEditing, EachChoiceSetsItsRadioAndEnablesItsControls)
{
    struct Case
    {
        int radio;
        bool authentication, wep, wpa;
    };
    const Case cases[] = {
        {IDC_SECURITY_WEP, true, true, false},
        {IDC_SECURITY_WPA, false, false, true},
        {IDC_SECURITY_NONE, true, false, false},
        {IDC_SECURITY_WEP, true, true, false},
    };
    for (const Case& c : cases) {
        button(c.radio)->click();
        for (int radio : {IDC_SECURITY_NONE, IDC_SECURITY_WEP, IDC_SECURITY_WPA})
            EXPECT_EQ(button(radio)->isChecked(), radio == c.radio) << c.radio << " " << radio;
        EXPECT_EQ(w(IDC_AUTHENTICATION)->isEnabled(), c.authentication) << c.radio;
        for (int id : kWepControls)
            EXPECT_EQ(w(id)->isEnabled(), c.wep) << c.radio << " " << id;
        for (int id : kWpaControls)
            EXPECT_EQ(w(id)->isEnabled(), c.wpa) << c.radio << " " << id;
    }
    // Clicking the choice already made keeps it made.
    button(IDC_SECURITY_WEP)->click();
    EXPECT_TRUE(button(IDC_SECURITY_WEP)->isChecked());
}

TEST_F(SecurityEditing, NoneAndWepRebuildTheListAndNoneClampsTheRememberedIndex)
{
    const QStringList twoItems = {"None", "Open system"};
    const QStringList fourItems = {"None", "Open system", "Shared key", "Mixed mode"};
    struct Case
    {
        int chosenUnderWep;
        int indexUnderNone;
    };
    // "Shared key" and "Mixed mode" do not exist under None: the remembered index goes to 0.
    const Case cases[] = {{0, 0}, {1, 1}, {2, 0}, {3, 0}};
    for (const Case& c : cases) {
        button(IDC_SECURITY_WEP)->click();
        EXPECT_EQ(items(IDC_AUTHENTICATION), fourItems);
        choose(IDC_AUTHENTICATION, c.chosenUnderWep);
        EXPECT_EQ(view->authIndex, c.chosenUnderWep);

        button(IDC_SECURITY_NONE)->click();
        EXPECT_EQ(items(IDC_AUTHENTICATION), twoItems) << c.chosenUnderWep;
        EXPECT_EQ(combo(IDC_AUTHENTICATION)->currentIndex(), c.indexUnderNone) << c.chosenUnderWep;
        EXPECT_EQ(view->authIndex, c.indexUnderNone) << c.chosenUnderWep;

        button(IDC_SECURITY_WEP)->click();
        EXPECT_EQ(combo(IDC_AUTHENTICATION)->currentIndex(), c.indexUnderNone) << c.chosenUnderWep;
    }
}

TEST_F(SecurityEditing, WpaDisablesTheListButKeepsItsItemsAndSelection)
{
    button(IDC_SECURITY_WEP)->click();
    choose(IDC_AUTHENTICATION, 2);
    button(IDC_SECURITY_WPA)->click();
    EXPECT_FALSE(w(IDC_AUTHENTICATION)->isEnabled());
    EXPECT_EQ(items(IDC_AUTHENTICATION).size(), 4);
    EXPECT_EQ(combo(IDC_AUTHENTICATION)->currentText(), "Shared key");
    EXPECT_EQ(view->authIndex, 2);
}

TEST_F(SecurityEditing, ModuleValueOnTheListLeavesTheRememberedIndexAlone)
{
    button(IDC_SECURITY_WEP)->click();
    choose(IDC_AUTHENTICATION, 1); // the operator's "Open system"

    // A module's settings select "Mixed mode" on the list, as the answer decoding does.
    combo(IDC_AUTHENTICATION)->setCurrentIndex(3);
    EXPECT_EQ(view->authIndex, 1);
    view->SelectSecurityWep();
    EXPECT_EQ(combo(IDC_AUTHENTICATION)->currentText(), "Open system");

    // Unless the operator changes the list in between.
    combo(IDC_AUTHENTICATION)->setCurrentIndex(3);
    choose(IDC_AUTHENTICATION, 2);
    view->SelectSecurityNone();
    EXPECT_EQ(combo(IDC_AUTHENTICATION)->currentText(), "None");
    view->SelectSecurityWep();
    EXPECT_EQ(combo(IDC_AUTHENTICATION)->currentText(), "None");
}

// --- Default key and the refresh points --------------------------------------------------------

TEST_F(SecurityEditing, DefaultKeySetsOneRadioAndRefreshesTheForm)
{
    button(IDC_SECURITY_WEP)->click();
    const int radios[] = {IDC_KEY1, IDC_KEY2, IDC_KEY3, IDC_KEY4};
    for (int key : {2, 0, 3, 3, 1}) {
        button(radios[key])->click();
        for (int n = 0; n < 4; ++n)
            EXPECT_EQ(button(radios[n])->isChecked(), n == key) << key << " " << n;
    }
    edit(IDC_SSID)->setText("typed, not collected");
    view->SelectDefaultKey(0);
    EXPECT_TRUE(edit(IDC_SSID)->text().isEmpty());
}

TEST_F(SecurityEditing, LengthAndFormatChangesCollectBeforeTheyRefresh)
{
    enableEverything();
    wepWithLength(0);
    edit(IDC_SSID)->setText("office");
    choose(IDC_KEY_FORMAT2, kHex);
    EXPECT_EQ(edit(IDC_SSID)->text(), "office");
    edit(IDC_SSID)->setText("lab");
    choose(IDC_WEP_KEY_LENGTH, 1);
    EXPECT_EQ(edit(IDC_SSID)->text(), "lab");
    EXPECT_EQ(view->values().ssid, "lab");
}

// --- Hex entry ---------------------------------------------------------------------------------

TEST_F(SecurityEditing, HexEntryUnder64BitsStoresPairsUntilTheFirstBadOne)
{
    struct Case
    {
        int key;
        QString text;
        Bytes bytes;
        bool focusKept;
    };
    const Case cases[] = {
        {0, "0aB1c2D3e4", {0x0A, 0xB1, 0xC2, 0xD3, 0xE4}, false},
        {1, "abc", {0xAB, 0, 0, 0, 0}, false},
        {2, "12x456", {0x12, 0, 0, 0, 0}, true},
        {3, "0102030405060708", {1, 2, 3, 4, 5}, false},
        {3, "g1", {0, 0, 0, 0, 0}, true},
        {0, "", {0, 0, 0, 0, 0}, false},
    };
    wepWithLength(0);
    fill128(1);
    const auto table128 = view->wep128Keys;
    for (const Case& c : cases) {
        choose(kKeyFormats[c.key], kHex);
        setKey64(c.key, {0x5A, 0x5A, 0x5A, 0x5A, 0x5A});
        prompter.messages.clear();

        typeKey(c.key, c.text);

        EXPECT_EQ(key64(c.key), c.bytes) << c.text.toStdString();
        EXPECT_EQ(QApplication::focusWidget() == w(kKeyFields[c.key]), c.focusKept)
            << c.text.toStdString();
        EXPECT_EQ(edit(kKeyFields[c.key])->text(), c.text); // left as typed
        EXPECT_TRUE(prompter.messages.empty());
        if (c.focusKept) { // the field cannot be left until its text is put right
            edit(kKeyFields[c.key])->clear();
            w(IDC_WEP_KEY_LENGTH)->setFocus();
            EXPECT_EQ(QApplication::focusWidget(), w(IDC_WEP_KEY_LENGTH));
        }
    }
    EXPECT_EQ(view->wep128Keys, table128);
}

TEST_F(SecurityEditing, FocusGivenBackToABadKeyDoesNotStoreTheFieldItWasGoingTo)
{
    wepWithLength(0);
    choose(IDC_KEY_FORMAT1, kHex);
    choose(IDC_KEY_FORMAT2, kHex);
    edit(IDC_KEY_TEXT2)->setText("zz"); // a bad pair left in key 2 earlier
    setKey64(1, {1, 2, 3, 4, 5});
    edit(IDC_KEY_TEXT1)->setFocus();
    edit(IDC_KEY_TEXT1)->setText("qq");

    edit(IDC_KEY_TEXT2)->setFocus(Qt::MouseFocusReason);

    EXPECT_EQ(QApplication::focusWidget(), w(IDC_KEY_TEXT1));
    EXPECT_TRUE(edit(IDC_KEY_TEXT1)->hasFocus());
    EXPECT_FALSE(edit(IDC_KEY_TEXT2)->hasFocus());
    EXPECT_EQ(key64(1), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(key64(0), (Bytes{0, 0, 0, 0, 0}));
}

TEST_F(SecurityEditing, KeyIsStoredFromItsFieldEvenWhenAnEarlierFieldFailsTheChecks)
{
    enableEverything();
    wepWithLength(0);
    choose(IDC_KEY_FORMAT1, kAscii);
    edit(IDC_LOCAL_PORT)->setText("not a number");
    typeKey(0, "abc");
    EXPECT_EQ(prompter.texts(), QStringList{"Please enter a positive integer."});
    EXPECT_EQ(key64(0), (Bytes{'a', 'b', 'c', 0, 0}));
}

// --- ASCII entry and display -------------------------------------------------------------------

TEST_F(SecurityEditing, AsciiEntryUnder128BitsThenShownAsHex)
{
    wepWithLength(1);
    ASSERT_EQ(combo(IDC_KEY_FORMAT3)->currentIndex(), kAscii);
    typeKey(2, "k9!");
    EXPECT_EQ(key128(2), (Bytes{'k', '9', '!', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    choose(IDC_KEY_FORMAT3, kHex);
    EXPECT_EQ(edit(IDC_KEY_TEXT3)->text(), "6b3921" + QString(20, '0'));
}

TEST_F(SecurityEditing, AsciiEntryTakesLatin1AndStopsAtOtherCharacters)
{
    wepWithLength(0);
    typeKey(0, QStringLiteral("\u00E9t\u00E9"));
    EXPECT_EQ(key64(0), (Bytes{0xE9, 't', 0xE9, 0, 0}));
    EXPECT_NE(QApplication::focusWidget(), w(IDC_KEY_TEXT1));

    typeKey(1, QStringLiteral("ab\u20ACcd")); // the euro sign has no one-byte code
    EXPECT_EQ(key64(1), (Bytes{'a', 'b', 0, 0, 0}));
    EXPECT_EQ(QApplication::focusWidget(), w(IDC_KEY_TEXT2));
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(SecurityEditing, ZeroBytesAreLeftOutOfAsciiText)
{
    wepWithLength(1);
    setKey64(0, {'A', 0, 'C', 'D', 0});

    choose(IDC_WEP_KEY_LENGTH, 0);
    EXPECT_EQ(edit(IDC_KEY_TEXT1)->text(), "ACD");
    choose(IDC_KEY_FORMAT1, kHex);
    EXPECT_EQ(edit(IDC_KEY_TEXT1)->text(), "4100434400");
    choose(IDC_KEY_FORMAT1, kAscii);
    EXPECT_EQ(edit(IDC_KEY_TEXT1)->text(), "A");
}

TEST_F(SecurityEditing, LeavingAnUnchangedAsciiFieldKeepsTheZeroBytesItCannotShow)
{
    wepWithLength(1);
    setKey64(0, {'A', 0, 'C', 'D', 0});
    choose(IDC_WEP_KEY_LENGTH, 0); // shows "ACD"
    typeKey(0, "ACD");
    EXPECT_EQ(key64(0), (Bytes{'A', 0, 'C', 'D', 0}));
    choose(IDC_KEY_FORMAT1, kAscii); // shows "A"
    typeKey(0, "A");
    EXPECT_EQ(key64(0), (Bytes{'A', 0, 'C', 'D', 0}));

    typeKey(0, "AC");
    EXPECT_EQ(key64(0), (Bytes{'A', 'C', 0, 0, 0}));
}

// --- Key length changes and the two tables -----------------------------------------------------

TEST_F(SecurityEditing, LengthChangeSelectsAsciiEverywhereAndShowsTheOtherTable)
{
    for (int key = 0; key < 4; ++key) {
        setKey64(key, {static_cast<std::uint8_t>('a' + key), 'b', 'c', 'd', 'e'});
        view->wep128Keys[13 * key] = static_cast<std::uint8_t>('P' + key);
        view->wep128Keys[13 * key + 12] = 'z';
    }
    wepWithLength(0);
    for (int length : {1, 0, 1}) {
        for (int id : kKeyFormats)
            choose(id, kHex);
        choose(IDC_WEP_KEY_LENGTH, length);
        for (int key = 0; key < 4; ++key) {
            EXPECT_EQ(combo(kKeyFormats[key])->currentIndex(), kAscii) << length << key;
            const QString expected =
                length == 0 ? QString(QChar('a' + key)) + "bcde" : QString(QChar('P' + key)) + "z";
            EXPECT_EQ(edit(kKeyFields[key])->text(), expected) << length << key;
        }
    }
}

TEST_F(SecurityEditing, EditingUnder64BitsNeverTouchesThe128BitTable)
{
    fill128(0x61);
    const auto table128 = view->wep128Keys;
    wepWithLength(0);
    typeKey(0, "hello");
    choose(IDC_KEY_FORMAT2, kHex);
    typeKey(1, "0102030405");

    choose(IDC_WEP_KEY_LENGTH, 1);
    EXPECT_EQ(view->wep128Keys, table128);
    EXPECT_EQ(edit(IDC_KEY_TEXT1)->text(), "abcdefghijklm");

    choose(IDC_WEP_KEY_LENGTH, 0);
    EXPECT_EQ(edit(IDC_KEY_TEXT1)->text(), "hello");
    EXPECT_EQ(key64(1), (Bytes{1, 2, 3, 4, 5}));
}

TEST_F(SecurityEditing, ClosingTheFormWithTheFocusInAKeyFieldStoresNothing)
{
    wepWithLength(0);
    edit(IDC_KEY_TEXT1)->setFocus();
    edit(IDC_KEY_TEXT1)->setText("typed");
    ASSERT_TRUE(edit(IDC_KEY_TEXT1)->hasFocus());
    view.reset(); // must not run the key store on a form being taken down
    SUCCEED();
}

} // namespace
} // namespace quarlink::testing
