// The WLAN security area of the form: the None / WEP / WPA choice and the Authentication list it
// rebuilds, the default key, and the WEP keys, held as bytes in two independent tables (64 and
// 128 bits) and shown and taken as Hex or ASCII text in the four key fields.
#include "form/CQuarlinkView.h"

#include "form/WepKeyText.h"
#include "resources/ControlIds.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QRadioButton>

#include <span>

namespace quarlink::form {

using namespace quarlink::ids;

namespace {

constexpr int kKeyRadios[kWepKeyCount] = {IDC_KEY1, IDC_KEY2, IDC_KEY3, IDC_KEY4};
constexpr int kKeyFields[kWepKeyCount] = {IDC_KEY_TEXT1, IDC_KEY_TEXT2, IDC_KEY_TEXT3,
                                          IDC_KEY_TEXT4};
constexpr int kKeyFormats[kWepKeyCount] = {IDC_KEY_FORMAT1, IDC_KEY_FORMAT2, IDC_KEY_FORMAT3,
                                           IDC_KEY_FORMAT4};
constexpr int kWep64LengthIndex = 0; // "WEP-64bits" in the key length list

bool isKeyIndex(int key)
{
    return key >= 0 && key < static_cast<int>(kWepKeyCount);
}

std::span<std::uint8_t> keyOfTable(std::span<std::uint8_t> table, std::size_t keyLength, int key)
{
    return table.subspan(static_cast<std::size_t>(key) * keyLength, keyLength);
}

// Key `key` of the table that the key length list selects: the 64-bit table at index 0,
// the 128-bit table otherwise.
std::span<std::uint8_t> selectedKey(CQuarlinkView& view, int key)
{
    if (view.control<QComboBox>(IDC_WEP_KEY_LENGTH)->currentIndex() == kWep64LengthIndex)
        return keyOfTable(view.wep64Keys, kWep64KeyLength, key);
    return keyOfTable(view.wep128Keys, kWep128KeyLength, key);
}

// Hex only when the format list shows "Hex"; a list without a selection takes the text as is.
WepKeyFormat formatOfKey(const CQuarlinkView& view, int key)
{
    const int index = view.control<QComboBox>(kKeyFormats[key])->currentIndex();
    return index == static_cast<int>(WepKeyFormat::Hex) ? WepKeyFormat::Hex : WepKeyFormat::Ascii;
}

// The radio buttons of the security choice are not grouped: set the one, clear the others.
void checkSecurityChoice(CQuarlinkView& view, int radioId)
{
    for (int id : {IDC_SECURITY_NONE, IDC_SECURITY_WEP, IDC_SECURITY_WPA})
        view.control<QRadioButton>(id)->setChecked(id == radioId);
}

// All four keys of one table in the key fields, in ASCII without their zero bytes.
void showWepKeys(CQuarlinkView& view, std::span<std::uint8_t> table, std::size_t keyLength)
{
    for (int id : kKeyFormats)
        view.control<QComboBox>(id)->setCurrentIndex(static_cast<int>(WepKeyFormat::Ascii));
    for (int key = 0; key < static_cast<int>(kWepKeyCount); ++key)
        view.values().keyTexts[static_cast<std::size_t>(key)] =
            keyToTextWithoutZeros(keyOfTable(table, keyLength, key));
    view.refreshForm();
}

void showAuthenticationItems(QComboBox* list, const QStringList& items, int selected)
{
    list->setEnabled(true);
    list->clear();
    list->addItems(items);
    list->setCurrentIndex(selected);
}

// Stores a key field's text when the field loses the keyboard focus. The field first finishes
// its own focus-out (caret, selection), so that focus given back by StoreKeyText is an ordinary
// focus change. Focus changes that happen while a key is being stored are the form's own (the
// focus given back, or moved to a field that failed the form's checks), not the operator
// leaving another key field, and are not acted on.
class KeyFieldFocusWatcher : public QObject
{
public:
    explicit KeyFieldFocusWatcher(CQuarlinkView& view) : m_view(view)
    {
        for (int id : kKeyFields)
            m_view.control(id)->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::FocusOut || m_storing)
            return false;
        // A popup over the field (its context menu) leaves the operator editing in it.
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason)
            return false;
        const int key = keyOfField(watched);
        if (key < 0)
            return false;
        m_storing = true;
        QCoreApplication::sendEvent(watched, event); // the field's own focus-out, first
        m_view.StoreKeyText(key);
        m_storing = false;
        return true;
    }

private:
    int keyOfField(const QObject* field) const
    {
        for (int key = 0; key < static_cast<int>(kWepKeyCount); ++key)
            if (m_view.control(kKeyFields[key]) == field)
                return key;
        return -1;
    }

    CQuarlinkView& m_view;
    bool m_storing = false;
};

} // namespace

void CQuarlinkView::connectSecurityNotifications()
{
    connect(control<QRadioButton>(IDC_SECURITY_NONE), &QRadioButton::clicked, this,
            [this] { SelectSecurityNone(); });
    connect(control<QRadioButton>(IDC_SECURITY_WEP), &QRadioButton::clicked, this,
            [this] { SelectSecurityWep(); });
    connect(control<QRadioButton>(IDC_SECURITY_WPA), &QRadioButton::clicked, this,
            [this] { SelectSecurityWpa(); });
    // Only the operator's choice is remembered: a module's value put on the list is not.
    connect(control<QComboBox>(IDC_AUTHENTICATION), &QComboBox::activated, this,
            [this](int index) { authIndex = index; });
    connect(control<QComboBox>(IDC_WEP_KEY_LENGTH), &QComboBox::activated, this, [this](int index) {
        collectForm();
        if (index == kWep64LengthIndex)
            ShowWepKeys64();
        else
            ShowWepKeys128();
    });
    for (int key = 0; key < static_cast<int>(kWepKeyCount); ++key) {
        connect(control<QRadioButton>(kKeyRadios[key]), &QRadioButton::clicked, this,
                [this, key] { SelectDefaultKey(key); });
        connect(control<QComboBox>(kKeyFormats[key]), &QComboBox::activated, this,
                [this, key] { ShowKeyInFormat(key); });
    }
    m_keyFieldWatcher = std::make_unique<KeyFieldFocusWatcher>(*this);
}

void CQuarlinkView::SelectSecurityNone()
{
    checkSecurityChoice(*this, IDC_SECURITY_NONE);
    if (authIndex > 1)
        authIndex = 0; // the two-item list has no "Shared key" or "Mixed mode"
    showAuthenticationItems(control<QComboBox>(IDC_AUTHENTICATION),
                            {QStringLiteral("None"), QStringLiteral("Open system")}, authIndex);
    EnableWepControls(false);
    enable({IDC_WPA_ENCRYPTION, IDC_CIPHER, IDC_WPA_KEY}, false);
    refreshForm();
}

void CQuarlinkView::SelectSecurityWep()
{
    checkSecurityChoice(*this, IDC_SECURITY_WEP);
    showAuthenticationItems(control<QComboBox>(IDC_AUTHENTICATION),
                            {QStringLiteral("None"), QStringLiteral("Open system"),
                             QStringLiteral("Shared key"), QStringLiteral("Mixed mode")},
                            authIndex);
    EnableWepControls(true);
    enable({IDC_WPA_ENCRYPTION, IDC_CIPHER, IDC_WPA_KEY}, false);
    refreshForm();
}

void CQuarlinkView::SelectSecurityWpa()
{
    checkSecurityChoice(*this, IDC_SECURITY_WPA);
    control(IDC_AUTHENTICATION)->setEnabled(false); // its items and selection stay
    EnableWepControls(false);
    enable({IDC_WPA_ENCRYPTION, IDC_CIPHER, IDC_WPA_KEY}, true);
    refreshForm();
}

void CQuarlinkView::SelectDefaultKey(int key)
{
    if (!isKeyIndex(key))
        return;
    for (int n = 0; n < static_cast<int>(kWepKeyCount); ++n)
        control<QRadioButton>(kKeyRadios[n])->setChecked(n == key);
    refreshForm();
}

void CQuarlinkView::ShowWepKeys64()
{
    showWepKeys(*this, wep64Keys, kWep64KeyLength);
}

void CQuarlinkView::ShowWepKeys128()
{
    showWepKeys(*this, wep128Keys, kWep128KeyLength);
}

void CQuarlinkView::ShowKeyInFormat(int key)
{
    if (!isKeyIndex(key))
        return;
    collectForm();
    const auto bytes = selectedKey(*this, key);
    m_values.keyTexts[static_cast<std::size_t>(key)] =
        formatOfKey(*this, key) == WepKeyFormat::Hex ? keyToHexText(bytes) : keyToAsciiText(bytes);
    refreshForm();
}

void CQuarlinkView::StoreKeyText(int key)
{
    if (!isKeyIndex(key))
        return;
    collectForm();
    // The field's own text: it is the collected value, and stays right should the form's checks
    // have stopped collecting at an earlier field.
    auto* field = control<QLineEdit>(kKeyFields[key]);
    const QString text = field->text();
    const auto bytes = selectedKey(*this, key);
    bool stored = true;
    if (formatOfKey(*this, key) == WepKeyFormat::Hex)
        stored = hexTextToKey(text, bytes);
    else if (!asciiTextShowsKey(text, bytes)) // an unchanged text would lose the zero bytes
        stored = asciiTextToKey(text, bytes);
    if (!stored)
        field->setFocus();
}

} // namespace quarlink::form
