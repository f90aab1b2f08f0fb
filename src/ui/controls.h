// Small factories for the windows' controls: each control gets its object
// name (by which code and tests find it) and its caption in one line.
#pragma once

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

// German captions carry umlauts: the literal is UTF-8.
inline QString Text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace brisolt
