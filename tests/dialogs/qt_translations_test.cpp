#include "dialogs/qt_translations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
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
    for (const auto button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
        EXPECT_TRUE(japanese(box.button(button)->text()))
            << box.button(button)->text().toStdString();

    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    for (const auto role : {QDialogButtonBox::Open, QDialogButtonBox::Cancel})
        EXPECT_TRUE(japanese(buttons->button(role)->text()));
    const auto* name = dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel"));
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(japanese(name->text())) << name->text().toStdString();
}

} // namespace
