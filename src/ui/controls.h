// Small factories for the windows' controls: each control gets its object
// name (by which code and tests find it) and its caption in one line.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <vector>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QString>

namespace brisolt
{

template <class T>
T* MakeControl(QWidget* parent, const char* name)
{
    auto* control = new T(parent);
    control->setObjectName(QLatin1String(name));
    return control;
}

template <class T>
T* MakeControl(QWidget* parent, const char* name, const QString& caption)
{
    auto* control = new T(caption, parent);
    control->setObjectName(QLatin1String(name));
    return control;
}

// Tab enters a group of radio buttons at its checked button, also when the
// program checked it: Qt by itself keeps Tab on the button that last had the
// focus, and on every button of a group that never had it.
inline void TabToCheckedButton(std::initializer_list<QAbstractButton*> group)
{
    const std::vector<QAbstractButton*> buttons(group);
    const auto update = [buttons]
    {
        const bool anyChecked =
            std::any_of(buttons.begin(), buttons.end(), [](const QAbstractButton* b) { return b->isChecked(); });
        for (QAbstractButton* button : buttons)
        {
            const bool reachable = anyChecked ? button->isChecked() : button == buttons.front();
            button->setFocusPolicy(reachable ? Qt::StrongFocus : Qt::ClickFocus);
        }
    };
    for (QAbstractButton* button : buttons)
        QObject::connect(button, &QAbstractButton::toggled, button, update);
    update();
}

// German captions carry umlauts: the literal is UTF-8.
inline QString Text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace brisolt
