#include "platform/ui/dialog/DataExchange.h"

#include "platform/core/Strings.h"
#include "platform/core/UserPrompt.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <charconv>

namespace plat::ui {

namespace {

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

QWidget* DataExchange::prepareControl(int id)
{
    m_last = itemWidget(m_dialog, id);
    return m_last;
}

namespace {

// A page's title marks the mnemonic of its tab ("&Performance"); a caption shows none: "&&"
// stands for "&" and every other "&" goes.
QString withoutMnemonic(const QString& title)
{
    QString caption;
    for (qsizetype at = 0; at < title.size(); ++at) {
        if (title[at] == u'&' && ++at == title.size())
            break;
        caption += title[at];
    }
    return caption;
}

}  // namespace

void DataExchange::fail(const std::string& message)
{
    UserPrompt::Message prompt;
    prompt.caption = m_dialog ? withoutMnemonic(m_dialog->windowTitle()).toStdString() : std::string();
    prompt.text = message;
    prompt.icon = UserPrompt::Icon::warning;
    UserPrompt::ask(prompt);
    if (m_last) {
        m_last->setFocus(Qt::OtherFocusReason);
        if (auto* edit = dynamic_cast<QLineEdit*>(m_last))
            edit->selectAll();
    }
    throw DataExchangeFailure();
}

void DataExchange::text(int id, std::string& value)
{
    auto* edit = control<QLineEdit>(id);
    if (!edit)
        return;
    if (m_saving)
        value = edit->text().toStdString();
    else
        edit->setText(QString::fromStdString(value));
}

void DataExchange::integer(int id, int& value)
{
    auto* edit = control<QLineEdit>(id);
    if (!edit)
        return;
    if (!m_saving) {
        edit->setText(QString::number(value));
        return;
    }
    const std::string text = trimmed(edit->text().toStdString());
    const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
    const char* end = text.data() + text.size();
    int parsed = 0;
    const auto [stop, error] = std::from_chars(begin, end, parsed);
    if (text.empty() || error != std::errc() || stop != end)
        fail("Enter a whole number.");
    value = parsed;
}

void DataExchange::check(int id, int& value)
{
    auto* button = control<QAbstractButton>(id);
    if (!button)
        return;
    auto* box = dynamic_cast<QCheckBox*>(button);
    if (m_saving) {
        value = box ? int(box->checkState()) == Qt::PartiallyChecked ? 2 : box->isChecked() ? 1 : 0
                    : button->isChecked() ? 1 : 0;
        return;
    }
    if (box && value == 2) {
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
    } else {
        button->setChecked(value == 1);
    }
}

void DataExchange::radio(int id, int& value)
{
    auto* button = control<QAbstractButton>(id);
    if (!button || !button->group())
        return;
    const QList<QAbstractButton*> buttons = button->group()->buttons();
    if (m_saving) {
        value = -1;
        for (int i = 0; i < buttons.size(); ++i) {
            if (buttons[i]->isChecked())
                value = i;
        }
        return;
    }
    if (value >= 0 && value < buttons.size()) {
        buttons[value]->setChecked(true);
    } else if (QAbstractButton* checked = button->group()->checkedButton()) {
        // An exclusive group cannot uncheck its last button by itself.
        const bool exclusive = button->group()->exclusive();
        button->group()->setExclusive(false);
        checked->setChecked(false);
        button->group()->setExclusive(exclusive);
    }
}

void DataExchange::comboIndex(int id, int& value)
{
    auto* combo = control<QComboBox>(id);
    if (!combo)
        return;
    if (m_saving)
        value = combo->currentIndex();
    else
        combo->setCurrentIndex(value >= 0 && value < combo->count() ? value : -1);
}

void DataExchange::range(int value, int low, int high)
{
    if (m_saving && (value < low || value > high))
        fail(plat::format("Enter a whole number from %d to %d.", low, high));
}

void DataExchange::maxChars(const std::string& value, int count)
{
    if (m_saving && int(QString::fromStdString(value).size()) > count)
        fail(plat::format("Enter no more than %d characters.", count));
}

}  // namespace plat::ui
