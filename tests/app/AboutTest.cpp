// The about box: what it shows and how the calculator opens it.
#include "app/About.h"
#include "engine/StringTable.h"
#include "tests/app/ModalBoxes.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct TLabelRow {
    const char* Name;
    const char* ObjectName;
    QString Expected;
};

TEST(AboutTest, ShowsNameVersionAndDescription) {
    const TLabelRow rows[] = {
        {"product name", "ProductName", QString::fromStdString(LoadStr(Msg::ApplicationTitle))},
        {"version", "Version", QStringLiteral("Version 2.0")},
    };
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About Quoril"));
    EXPECT_EQ(box.size(), QSize(298, 233));
    EXPECT_TRUE(box.isModal());
    for (const TLabelRow& row : rows) {
        SCOPED_TRACE(row.Name);
        auto* label = box.findChild<QLabel*>(QString::fromLatin1(row.ObjectName));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), row.Expected);
    }
    auto* comments = box.findChild<QLabel*>(QStringLiteral("Comments"));
    ASSERT_NE(comments, nullptr);
    EXPECT_TRUE(comments->text().contains(QStringLiteral("plotter")));
    auto* icon = box.findChild<QLabel*>(QStringLiteral("ProgramIcon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
}

TEST(AboutTest, OkButtonClosesTheBoxAccepted) {
    TAboutBox box;
    box.show();
    auto* ok = box.findChild<QPushButton*>(QStringLiteral("OKButton"));
    ASSERT_NE(ok, nullptr);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

// ShowAboutBox shows the box modally over its owner and frees it once it is closed.
TEST(AboutTest, ShowAboutBoxIsModalOwnedAndFreedAfterwards) {
    QWidget owner;
    owner.show();
    bool modalOverOwner = false;
    TModalBoxAnswerer answerer(
        [&](QWidget* open) { modalOverOwner = open->parentWidget() == &owner && open->isModal(); });
    ShowAboutBox(&owner);
    ASSERT_EQ(answerer.Boxes.size(), 1u);
    EXPECT_EQ(answerer.Boxes[0].ClassName, QStringLiteral("TAboutBox"));
    EXPECT_EQ(answerer.Boxes[0].Caption, QStringLiteral("About Quoril"));
    EXPECT_TRUE(modalOverOwner);
    EXPECT_TRUE(owner.findChildren<TAboutBox*>().isEmpty());
}

TEST(AboutTest, ProgramIconIsDrawn) {
    const QImage picture = ProgramIcon().pixmap(64, 64).toImage();
    ASSERT_FALSE(picture.isNull());
    // Transparent corners around an opaque body.
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(picture.pixel(32, 32)), 255);
}

TEST(AboutTest, ProgramIconHasAPictureForEachSize) {
    const QIcon icon = ProgramIcon();
    for (const int size : {16, 32, 48, 256}) {
        SCOPED_TRACE(size);
        // Drawn at this size, not scaled from another.
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
        const QImage picture = icon.pixmap(size, size).toImage();
        ASSERT_EQ(picture.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(picture.pixel(size / 2, size / 2)), 255);
        // The display above the keys is green.
        const QRgb display = picture.pixel(size / 2, size * 3 / 16);
        EXPECT_GT(qGreen(display), qRed(display) + 20);
        EXPECT_GT(qGreen(display), qBlue(display) + 20);
    }
}

} // namespace
