// The photo browser through the real window, as a person uses it: multi-selection, Compare and
// Compare back, Delete with its questions (answered through the Prompts seam) into this test's own
// trash, thumbnails through the list and its cache.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <fstream>

#include "main_dlg_fixture.h"
#include "support/gui/dialog_actions.h"
#include "ui/current_item.h"
#include "ui/main_dlg_ids.h"
#include "ui/photo_list.h"
#include "ui/thumbnail_cache.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;

const QColor kColours[] = {Qt::red,  Qt::green,   Qt::blue,     Qt::yellow,
                           Qt::cyan, Qt::magenta, Qt::darkGreen};

class PhotoBrowserTest : public MainDlgTest {
protected:
    // Pictures p0.bmp, p1.bmp, ... of one colour each, then the window in the Photo list view.
    MainDlg& OpenWithPictures(int count) {
        for (int i = 0; i < count; ++i) {
            WritePicture(PictureOf(i), 320, 200, kColours[i]);
        }
        MainDlg& window = Open();
        ClickControl(window, kIdPhotoManagement);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window.photoList()->isScanning(); }));
        return window;
    }
    fs::path PictureOf(int i) const { return PatientFolder() / ("p" + std::to_string(i) + ".bmp"); }
    // Clicks on the row as a person would (with multi-selection on, this adds it to the selection).
    static void ClickRow(PhotoList* list, int row) {
        list->scrollToItem(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(row)).center());
        QCoreApplication::processEvents();
    }
    static QStringList Names(const PhotoList* list) {
        QStringList names;
        for (int row = 0; row < list->count(); ++row) {
            names << list->item(row)->text();
        }
        return names;
    }
    static QImage IconOf(const PhotoList* list, int row) {
        return list->item(row)->icon().pixmap(QSize(kThumbnailWidth, kThumbnailHeight)).toImage();
    }
};

TEST_F(PhotoBrowserTest, WithNothingSelectedCompareSaysSorryAndDeleteAsksForPictures) {
    MainDlg& window = Open();
    ClickControl(window, kIdPhotoManagement);
    QTRY_VERIFY(!window.photoList()->isScanning());
    ASSERT_EQ(window.photoList()->count(), 0);

    ClickControl(window, kIdCompare);
    ASSERT_EQ(prompts_.asked().size(), 1u);
    const auto& sorry = prompts_.asked()[0];
    EXPECT_EQ(sorry.message.text, "Please select 1-4 pictures for comparison!");
    EXPECT_EQ(sorry.message.caption, "Sorry");
    EXPECT_EQ(sorry.message.buttons, PromptButtons::kOk);
    EXPECT_EQ(sorry.owner, nullptr);
    EXPECT_EQ(window.view(), MainDlg::View::kPhotoList);

    // Cancel stops; OK builds the list again and resets the current item. Neither deletes.
    SetCurrentItemIndex(3);
    prompts_.QueueAnswer(PromptAnswer::kCancel);
    ClickControl(window, kIdDelete);
    EXPECT_EQ(CurrentItemIndex(), 3);
    prompts_.QueueAnswer(PromptAnswer::kOk);
    ClickControl(window, kIdDelete);
    EXPECT_EQ(CurrentItemIndex(), -1);
    ASSERT_EQ(prompts_.asked().size(), 3u);
    for (size_t i : {1u, 2u}) {
        const auto& asked = prompts_.asked()[i];
        EXPECT_EQ(asked.message.text, "please select pictures!");
        EXPECT_EQ(asked.message.caption, "Delete File!");
        EXPECT_EQ(asked.message.buttons, PromptButtons::kOkCancel);
        EXPECT_EQ(asked.owner, &window);
    }
    EXPECT_TRUE(home_.TrashedFiles().empty());
}

TEST_F(PhotoBrowserTest, CompareShowsUpToFourSelectedPicturesInListOrder) {
    struct Case {
        std::vector<int> clicked;  // in the order the person clicks them
        std::vector<int> shown;    // list order, at most four
    };
    for (const Case& test : {Case{{4, 1, 2}, {1, 2, 4}}, Case{{5, 0, 3, 1, 6, 2}, {0, 1, 2, 3}}}) {
        MainDlg& window = OpenWithPictures(7);
        PhotoList* list = window.photoList();
        ClickControl(window, kIdMultiSelection);
        EXPECT_EQ(window.ControlText(kIdMultiSelection), "Close multi selection");
        for (int row : test.clicked) {
            ClickRow(list, row);
        }
        ASSERT_EQ(list->SelectedRows().size(), test.clicked.size());
        QListWidgetItem* firstItem = list->item(0);

        ClickControl(window, kIdCompare);
        EXPECT_EQ(window.view(), MainDlg::View::kComparison);
        EXPECT_FALSE(list->isVisible());
        EXPECT_FALSE(window.Control(kIdLiveArea)->isVisible());
        for (size_t k = 0; k < 4; ++k) {
            QWidget* area = window.Control(kCompareAreaIds[k]);
            SCOPED_TRACE(kCompareAreaIds[k]);
            if (k < test.shown.size()) {
                EXPECT_TRUE(area->isVisible());
                EXPECT_EQ(PictureCentre(area), kColours[test.shown[k]]);
                EXPECT_EQ(qobject_cast<QLabel*>(area)->pixmap().size(), area->size());
            } else {
                EXPECT_FALSE(area->isVisible());
            }
        }
        // Multi-selection stays on through Compare; Compare back turns it off and shows the same
        // list again, not a new one.
        EXPECT_TRUE(window.isMultiSelection());
        ClickControl(window, kIdCompareBack);
        EXPECT_EQ(window.view(), MainDlg::View::kPhotoList);
        EXPECT_TRUE(list->isVisible());
        EXPECT_FALSE(list->isScanning());
        EXPECT_EQ(list->item(0), firstItem);
        for (int id : kCompareAreaIds) {
            EXPECT_FALSE(window.Control(id)->isVisible());
        }
        EXPECT_FALSE(window.isMultiSelection());
        EXPECT_EQ(window.ControlText(kIdMultiSelection), "Open multi selection");
        EXPECT_TRUE(prompts_.asked().empty());
        Close();
        fs::remove_all(PatientFolder());
    }
}

TEST_F(PhotoBrowserTest, MultiSelectionClicksAddAndRemoveAndItsTextFollowsTheLanguage) {
    WriteLanguage(5);
    MainDlg& window = OpenWithPictures(3);
    PhotoList* list = window.photoList();
    // Off: a plain click selects one picture only.
    ClickRow(list, 0);
    ClickRow(list, 1);
    EXPECT_EQ(list->SelectedRows(), std::vector<int>{1});
    ClickControl(window, kIdMultiSelection);
    EXPECT_EQ(window.ControlText(kIdMultiSelection), QString::fromUtf8("關閉多選"));
    ClickRow(list, 2);
    ClickRow(list, 0);
    EXPECT_EQ(list->SelectedRows(), (std::vector<int>{0, 1, 2}));
    ClickRow(list, 1);
    EXPECT_EQ(list->SelectedRows(), (std::vector<int>{0, 2}));
    // The current item is the first selected one, whichever was clicked.
    EXPECT_EQ(CurrentItemIndex(), 0);
    ClickControl(window, kIdMultiSelection);
    EXPECT_EQ(window.ControlText(kIdMultiSelection), QString::fromUtf8("打開多選"));
    EXPECT_FALSE(window.isMultiSelection());
}

TEST_F(PhotoBrowserTest, DeleteWithOkTrashesTheSelectedPicturesAndCancelDeletesNothing) {
    MainDlg& window = OpenWithPictures(4);
    PhotoList* list = window.photoList();
    ClickControl(window, kIdMultiSelection);
    ClickRow(list, 3);
    ClickRow(list, 1);
    EXPECT_TRUE(HasPicture(window.Control(kIdPreview)));

    prompts_.QueueAnswer(PromptAnswer::kCancel);
    ClickControl(window, kIdDelete);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(fs::exists(PictureOf(i))) << i;
    }
    EXPECT_EQ(list->count(), 4);
    EXPECT_TRUE(window.isMultiSelection());

    prompts_.QueueAnswer(PromptAnswer::kOk);
    ClickControl(window, kIdDelete);
    ASSERT_EQ(prompts_.asked().size(), 2u);
    for (const auto& asked : prompts_.asked()) {
        EXPECT_EQ(asked.message.text, "are you sure?");
        EXPECT_EQ(asked.message.caption, "Delete File!");
        EXPECT_EQ(asked.message.buttons, PromptButtons::kOkCancel);
        EXPECT_EQ(asked.owner, &window);
    }
    EXPECT_FALSE(fs::exists(PictureOf(1)));
    EXPECT_FALSE(fs::exists(PictureOf(3)));
    // Both are in the trash, with the path a file manager restores them to.
    std::vector<fs::path> originals;
    for (const PrivateHome::Trashed& trashed : home_.TrashedFiles()) {
        EXPECT_TRUE(fs::exists(trashed.inTrash)) << trashed.inTrash;
        originals.push_back(trashed.original);
    }
    std::sort(originals.begin(), originals.end());
    EXPECT_EQ(originals, (std::vector<fs::path>{PictureOf(1), PictureOf(3)}));

    QTRY_VERIFY(!list->isScanning());
    EXPECT_EQ(Names(list), (QStringList{"p0.bmp", "p2.bmp"}));
    EXPECT_EQ(IconOf(list, 1).pixelColor(142, 80), kColours[2]);
    EXPECT_EQ(CurrentItemIndex(), -1);
    EXPECT_FALSE(HasPicture(window.Control(kIdPreview)));
    EXPECT_FALSE(window.isMultiSelection());
    EXPECT_EQ(window.ControlText(kIdMultiSelection), "Open multi selection");
    EXPECT_EQ(window.view(), MainDlg::View::kPhotoList);
}

TEST_F(PhotoBrowserTest, ThumbnailsKeepSmallPicturesAndSqueezeLargeOnes) {
    // Quadrants red, green / blue, white: a 100 x 80 picture sits unscaled in the middle, on black;
    // a 1280 x 1024 one fills the whole thumbnail.
    for (const QSize size : {QSize(100, 80), QSize(1280, 1024)}) {
        QImage picture(size, QImage::Format_RGB888);
        picture.fill(Qt::white);
        const int halfW = size.width() / 2;
        const int halfH = size.height() / 2;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                if (x < halfW || y < halfH) {
                    picture.setPixelColor(
                        x, y, y < halfH ? (x < halfW ? Qt::red : Qt::green) : QColor(Qt::blue));
                }
            }
        }
        fs::create_directories(PatientFolder());
        ASSERT_TRUE(
            picture.save(QString::fromStdString(
                             (PatientFolder() / (std::to_string(size.width()) + ".bmp")).string()),
                         "BMP"));
    }
    MainDlg& window = OpenWithPictures(0);
    PhotoList* list = window.photoList();
    ASSERT_EQ(Names(list), (QStringList{"100.bmp", "1280.bmp"}));
    const QImage small = IconOf(list, 0);
    // Origin ((284 - 100) / 2, (160 - 80) / 2) = (92, 40).
    EXPECT_EQ(small.pixelColor(92, 40), QColor(Qt::red));
    EXPECT_EQ(small.pixelColor(191, 40), QColor(Qt::green));
    EXPECT_EQ(small.pixelColor(92, 119), QColor(Qt::blue));
    EXPECT_EQ(small.pixelColor(191, 119), QColor(Qt::white));
    EXPECT_EQ(small.pixelColor(91, 40), QColor(Qt::black));
    EXPECT_EQ(small.pixelColor(192, 119), QColor(Qt::black));
    EXPECT_EQ(small.pixelColor(100, 39), QColor(Qt::black));
    EXPECT_EQ(small.pixelColor(100, 120), QColor(Qt::black));
    const QImage large = IconOf(list, 1);
    EXPECT_EQ(large.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(large.pixelColor(283, 0), QColor(Qt::green));
    EXPECT_EQ(large.pixelColor(0, 159), QColor(Qt::blue));
    EXPECT_EQ(large.pixelColor(283, 159), QColor(Qt::white));
}

TEST_F(PhotoBrowserTest, TheListReadsThumbnailsFromItsCacheAndRemakesChangedOnes) {
    MainDlg& window = OpenWithPictures(4);
    PhotoList* list = window.photoList();
    // The start-up scan may have made some before the rebuild cancelled it.
    EXPECT_EQ(list->lastScanCounts().made + list->lastScanCounts().fromCache, 4);
    // One entry per picture and the record of the folder, outside the patient's folder.
    const fs::path entries = ThumbnailCache(home_.thumbnailCache()).EntryFolder(PatientFolder());
    const auto entryCount = [&] { return std::distance(fs::directory_iterator(entries), {}); };
    EXPECT_EQ(entryCount(), 5);
    EXPECT_EQ(std::distance(fs::directory_iterator(PatientFolder()), {}), 4);
    const auto entryOf = [&](int i) {
        for (const PictureFile& file : ListPictureFiles(PatientFolder())) {
            if (PatientFolder() / file.name == PictureOf(i)) {
                return entries / ThumbnailCache::EntryName(file);
            }
        }
        return fs::path();
    };

    // An entry painted over shows as it is: the list reads the cache, not the picture. A damaged
    // entry is made again from its picture; a picture replaced under its name gets a new
    // thumbnail; a deleted picture's entry is dropped.
    const QString painted = QString::fromStdString(entryOf(3).string());
    QImage entry(painted);
    ASSERT_EQ(entry.size(), QSize(kThumbnailWidth, kThumbnailHeight));
    entry.fill(Qt::gray);
    ASSERT_TRUE(entry.save(painted, "BMP"));
    std::ofstream(entryOf(0), std::ios::trunc) << "BM";
    WritePicture(PictureOf(1), 300, 200, Qt::white);
    fs::remove(PictureOf(2));
    ClickControl(window, kIdPhotoManagement);
    QTRY_VERIFY(!list->isScanning());
    ASSERT_EQ(Names(list), (QStringList{"p0.bmp", "p1.bmp", "p3.bmp"}));
    EXPECT_EQ(IconOf(list, 0).pixelColor(142, 80), kColours[0]);
    EXPECT_EQ(IconOf(list, 1).pixelColor(142, 80), QColor(Qt::white));
    EXPECT_EQ(IconOf(list, 2).pixelColor(142, 80), QColor(Qt::gray));
    EXPECT_EQ(list->lastScanCounts().made, 2);
    EXPECT_EQ(list->lastScanCounts().fromCache, 1);
    EXPECT_EQ(list->lastScanCounts().dropped, 2);  // the replaced picture's and the deleted one's
    EXPECT_EQ(entryCount(), 4);

    // Opened again, nothing is made.
    ClickControl(window, kIdPhotoManagement);
    QTRY_VERIFY(!list->isScanning());
    EXPECT_EQ(list->lastScanCounts().fromCache, 3);
    EXPECT_EQ(list->lastScanCounts().made, 0);
}

TEST_F(PhotoBrowserTest, ItemTextsLongerThanTheBufferNameNoPicture) {
    MainDlg& window = OpenWithPictures(1);
    PhotoList* list = window.photoList();
    const QString longest(static_cast<int>(kItemTextBufferBytes) - 1, QChar('a'));
    list->addItem(longest);
    list->addItem(longest + "a");
    EXPECT_EQ(list->ItemPath(1), PatientFolder() / longest.toStdString());
    EXPECT_TRUE(list->ItemPath(2).empty());
    // Selected with a picture, the long text shows nothing and deletes nothing.
    ClickControl(window, kIdMultiSelection);
    ClickRow(list, 0);
    list->item(2)->setSelected(true);
    ClickControl(window, kIdCompare);
    EXPECT_EQ(PictureCentre(window.Control(kIdCompare1)), kColours[0]);
    EXPECT_TRUE(window.Control(kIdCompare2)->isVisible());
    EXPECT_FALSE(HasPicture(window.Control(kIdCompare2)));
    ClickControl(window, kIdCompareBack);
    prompts_.QueueAnswer(PromptAnswer::kOk);
    ClickControl(window, kIdDelete);
    EXPECT_FALSE(fs::exists(PictureOf(0)));
    EXPECT_EQ(home_.TrashedFiles().size(), 1u);
}

}  // namespace
}  // namespace vyr::test
