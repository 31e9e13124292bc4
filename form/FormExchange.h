// Binds the form's values to their controls in exchange order and moves them as whole-form
// steps: collect (controls to values, stopping at the first failed check with its message and
// the focus on that control) and refresh (values to controls, applying the length limits).
// The length limits bound what the operator types: a longer text that a refresh showed (a
// module's own value filling its whole field) is collected as it is.
#pragma once

#include "form/FormValues.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <variant>
#include <vector>

class QWidget;

namespace quarlink::form {

class FormExchange
{
public:
    using ControlLookup = std::function<QWidget*(int id)>;

    FormExchange(FormValues& values, ControlLookup control);

    bool collect();
    void refresh();

private:
    struct ListText { QString* value; };                       // text of the selected entry
    struct Text { QString* value; int maxLength; };            // 0: no limit
    struct Number { std::uint32_t* value; std::uint32_t max; }; // unsigned decimal up to max
    struct Address { std::uint32_t* value; };                  // IPv4 address field
    using Target = std::variant<ListText, Text, Number, Address>;
    struct Binding
    {
        int id;
        Target target;
    };

    bool collectOne(const Binding& binding);
    void refreshOne(const Binding& binding);
    void fail(const Binding& binding, const QString& message);
    // Whether `text` is the over-long text a refresh last showed in control `id`.
    bool isOverLongShown(int id, const QString& text) const;

    ControlLookup m_control;
    std::vector<Binding> m_bindings;
    // By control id, the text a refresh showed that is longer than the control's limit.
    std::unordered_map<int, QString> m_overLongShown;
};

// The check messages of the exchange.
QString positiveIntegerMessage();
QString tooLongMessage(int maxLength);
QString outOfRangeMessage(std::uint32_t min, std::uint32_t max);

} // namespace quarlink::form
