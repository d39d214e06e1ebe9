#include "dialogs/qt_translations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <gtest/gtest.h>

namespace {

bool japanese(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x3040 && c.unicode() <= 0x9FFF)
            return true;
    return false;
}

TEST(QtTranslations, WhatQtDrawsItselfSpeaksJapaneseAndIsLoadedOnce)
{
    ASSERT_TRUE(ui::loadQtTranslations());
    EXPECT_TRUE(ui::loadQtTranslations());
    EXPECT_EQ(qApp->findChildren<QTranslator*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);

    QMessageBox box(QMessageBox::Question, QStringLiteral("Vexilo"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    const QAbstractButton* shown[] = {box.button(QMessageBox::Yes), box.button(QMessageBox::No),
                                      box.button(QMessageBox::Cancel),
                                      buttons->button(QDialogButtonBox::Cancel)};
    for (const QAbstractButton* button : shown)
        EXPECT_TRUE(japanese(button->text())) << button->text().toStdString();
}

} // namespace
