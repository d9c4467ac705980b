// The photo list's double-click through the real main window: the picture becomes the selected one
// and the current item, the analyzer runs modally with no parent and is gone afterwards, and a
// marked picture it saves is listed.
#include <gtest/gtest.h>

#include <QPointer>
#include <QTest>

#include "analyzer/analyzer_ids.h"
#include "analyzer/vyr_open_cv.h"
#include "main_dlg_fixture.h"
#include "support/gui/dialog_actions.h"
#include "ui/current_item.h"

namespace vyr::test {
namespace {

TEST_F(MainDlgTest, ADoubleClickedPictureOpensInTheAnalyzerAndItsSaveIsListed) {
    WritePicture(PatientFolder() / "20250101_100000.bmp", 320, 240, Qt::blue);
    WritePicture(PatientFolder() / "20250101_100001.bmp", 320, 240, Qt::yellow);
    PhotoList& list = OpenPhotoList();
    ASSERT_EQ(list.count(), 2);
    QPointer<CVyrOpenCV> analyzer;
    driver_.Then([&](QWidget* modal) {
        analyzer = dynamic_cast<CVyrOpenCV*>(modal);
        ASSERT_FALSE(analyzer.isNull());
        EXPECT_EQ(analyzer->parentWidget(), nullptr);
        EXPECT_EQ(app_->GetSelectedPicture(), "20250101_100001.bmp");
        EXPECT_EQ(CurrentItemIndex(), 1);
        EXPECT_TRUE(QTest::qWaitFor([&] { return analyzer->isFirstDrawDone(); }));
        EXPECT_EQ(analyzer->ShownPicture().pixelColor(5, 5), QColor(Qt::yellow));
        ClickControl(*analyzer, kIdSave);
        ClickControl(*analyzer, kIdCancel);
    });
    driver_.Run([&] {
        // A person's double-click: a click, then the second press the system reports as one.
        const QPoint at = list.visualItemRect(list.item(1)).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
        EXPECT_TRUE(QTest::qWaitFor([&] { return driver_.stepsLeft() == 0 && analyzer.isNull(); }));
    });
    EXPECT_EQ(driver_.unexpected(), 0);
    QTRY_VERIFY(!list.isScanning());
    ASSERT_EQ(list.count(), 3);
    EXPECT_TRUE(list.item(2)->text().startsWith("mark_")) << list.item(2)->text().toStdString();
}

}  // namespace
}  // namespace vyr::test
