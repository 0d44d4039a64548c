#pragma once
// A dialog walked with the keyboard alone: keys typed where the focus is,
// the round Tab makes through it, and whether that round follows the screen
// from top to bottom.

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace testsupport {

// Types `keys` (ASCII) one by one, each into whichever widget has the focus
// at that moment, as a keyboard does.
inline void typeKeys(const QString &keys)
{
    for (const QChar key : keys)
        QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
}

// Presses Tab from the widget with the focus until the focus comes back to
// it (or 100 times); the widgets that had the focus, in order. At each
// field (anything but a push button) `atField` is called.
template <typename AtField>
QList<QWidget *> tabRound(AtField atField)
{
    QList<QWidget *> round{QApplication::focusWidget()};
    for (int step = 0; step < 100; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *now = QApplication::focusWidget();
        if (!now || now == round.first())
            break;
        round.append(now);
        if (!qobject_cast<QPushButton *>(now))
            atField(now);
    }
    return round;
}

inline QList<QWidget *> tabRound()
{
    return tabRound([](QWidget *) {});
}

// Each widget of `round` stands below the one before it, or in the same row
// to its right.
inline void expectTopToBottom(const QList<QWidget *> &round)
{
    for (qsizetype i = 1; i < round.size(); ++i) {
        const QWidget *before = round[i - 1], *after = round[i];
        const QRect a(before->mapTo(before->window(), QPoint()), before->size());
        const QRect b(after->mapTo(after->window(), QPoint()), after->size());
        const bool below = b.top() >= a.bottom() - 2;
        const bool sameRowRight = b.top() <= a.bottom() && b.bottom() >= a.top() && b.left() >= a.right();
        EXPECT_TRUE(below || sameRowRight) << "Tab goes from " << before->metaObject()->className() << " '"
                                           << before->objectName().toStdString() << "' at (" << a.x() << ","
                                           << a.y() << ") to " << after->metaObject()->className() << " at ("
                                           << b.x() << "," << b.y() << ")";
    }
}

} // namespace testsupport
