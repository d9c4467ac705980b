// The photo browser through the real window, as a person uses it: multi-selection, Compare and
// Compare back, Delete with its questions (answered through the Prompts seam) into this test's own
// trash, thumbnails through the list and its cache, and a double-click that opens the analyzer
// modally with no parent and lists the marked picture it saves.
#include <QLabel>
#include <QPointer>

#include "analyzer/analyzer_ids.h"
#include "analyzer/vyr_open_cv.h"
#include "main_dlg_fixture.h"
#include "ui/thumbnail_cache.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;
using Areas = std::set<int>;

const QColor kColours[] = {Qt::red,  Qt::green,   Qt::blue,     Qt::yellow,
                           Qt::cyan, Qt::magenta, Qt::darkGreen};

class PhotoBrowserTest : public MainDlgTest {
protected:
    // Pictures p0.bmp, p1.bmp, ... of one colour each, then the window in the Photo list view.
    PhotoList& OpenWithPictures(int count) {
        for (int i = 0; i < count; ++i) {
            WritePicture(PictureOf(i), 320, 200, kColours[i]);
        }
        return OpenPhotoList();
    }
    fs::path PictureOf(int i) const { return PatientFolder() / ("p" + std::to_string(i) + ".bmp"); }
    // end questions have been asked, and those from first on had this text, caption, buttons and
    // owner.
    void ExpectAsked(size_t first, size_t end, const char* text, const char* caption,
                     PromptButtons buttons, const QWidget* owner) {
        ASSERT_EQ(prompts_.asked().size(), end);
        for (size_t i = first; i < end; ++i) {
            const auto& asked = prompts_.asked()[i];
            EXPECT_EQ(asked.message.text, text);
            EXPECT_EQ(asked.message.caption, caption);
            EXPECT_EQ(asked.message.buttons, buttons);
            EXPECT_EQ(asked.owner, owner);
        }
    }
};

TEST_F(PhotoBrowserTest, CompareShowsUpToFourSelectedPicturesInListOrder) {
    // Clicked in another order than the list's and more than four: the first four in list order.
    const std::vector<int> clicked = {5, 0, 3, 1, 6, 2};
    PhotoList& list = OpenWithPictures(7);
    MainDlg& window = *window_;
    ClickControl(window, kIdMultiSelection);
    EXPECT_EQ(window.ControlText(kIdMultiSelection), "Close multi selection");
    for (int row : clicked) {
        ClickRow(list, row);
    }
    ASSERT_EQ(list.SelectedRows().size(), clicked.size());
    QListWidgetItem* firstItem = list.item(0);
    ClickControl(window, kIdCompare);
    EXPECT_EQ(window.view(), MainDlg::View::kComparison);
    Areas shown{kIdPreview};
    for (size_t k = 0; k < 4; ++k) {
        QWidget* area = window.Control(kCompareAreaIds[k]);
        shown.insert(kCompareAreaIds[k]);
        EXPECT_EQ(PictureCentre(area), kColours[k]) << k;
        EXPECT_EQ(qobject_cast<QLabel*>(area)->pixmap().size(), area->size());
    }
    EXPECT_EQ(VisibleAreas(window), shown);
    // Compare back shows the same list again, not a new one, with multi-selection off.
    EXPECT_TRUE(window.isMultiSelection());
    ClickControl(window, kIdCompareBack);
    EXPECT_EQ(window.view(), MainDlg::View::kPhotoList);
    EXPECT_EQ(VisibleAreas(window), (Areas{kIdPhotoList, kIdPreview}));
    EXPECT_FALSE(list.isScanning());
    EXPECT_EQ(list.item(0), firstItem);
    EXPECT_FALSE(window.isMultiSelection());
    EXPECT_EQ(window.ControlText(kIdMultiSelection), "Open multi selection");
    EXPECT_TRUE(prompts_.asked().empty());
}

TEST_F(PhotoBrowserTest, DeleteWithOkTrashesTheSelectedPicturesAndCancelDeletesNothing) {
    PhotoList& list = OpenWithPictures(4);
    MainDlg& window = *window_;
    // Off, a plain click selects one picture only; on, a click adds a picture or takes it away,
    // and the current item is the first selected one, whichever was clicked.
    ClickRow(list, 0);
    ClickRow(list, 2);
    EXPECT_EQ(list.SelectedRows(), std::vector<int>{2});
    ClickControl(window, kIdMultiSelection);
    ClickRow(list, 3);
    ClickRow(list, 1);
    ClickRow(list, 2);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{1, 3}));
    EXPECT_EQ(CurrentItemIndex(), 1);
    EXPECT_TRUE(PictureCentre(window.Control(kIdPreview)).isValid());
    prompts_.QueueAnswer(PromptAnswer::kCancel);
    ClickControl(window, kIdDelete);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(fs::exists(PictureOf(i))) << i;
    }
    EXPECT_EQ(list.count(), 4);
    EXPECT_TRUE(window.isMultiSelection());

    prompts_.QueueAnswer(PromptAnswer::kOk);
    ClickControl(window, kIdDelete);
    ExpectAsked(0, 2, "are you sure?", "Delete File!", PromptButtons::kOkCancel, &window);
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
    QTRY_VERIFY(!list.isScanning());
    EXPECT_EQ(ItemTexts(list), (QStringList{"p0.bmp", "p2.bmp"}));
    EXPECT_EQ(IconOf(list, 1).pixelColor(142, 80), kColours[2]);
    EXPECT_EQ(CurrentItemIndex(), -1);
    EXPECT_FALSE(PictureCentre(window.Control(kIdPreview)).isValid());
    EXPECT_FALSE(window.isMultiSelection());
    EXPECT_EQ(window.view(), MainDlg::View::kPhotoList);
}

TEST_F(PhotoBrowserTest, TheListReadsThumbnailsFromItsCacheAndRemakesChangedOnes) {
    PhotoList& list = OpenWithPictures(4);
    // The start-up scan may have made some before the rebuild cancelled it.
    EXPECT_EQ(list.lastScanCounts().made + list.lastScanCounts().fromCache, 4);
    // One entry per picture and the record of the folder, outside the patient's folder.
    const fs::path entries = ThumbnailCache(home_.thumbnailCache()).EntryFolder(PatientFolder());
    const auto entryCount = [&] { return std::distance(fs::directory_iterator(entries), {}); };
    EXPECT_EQ(entryCount(), 5);
    EXPECT_EQ(std::distance(fs::directory_iterator(PatientFolder()), {}), 4);
    std::map<fs::path, fs::path> entryOf;
    for (const PictureFile& file : ListPictureFiles(PatientFolder())) {
        entryOf[PatientFolder() / file.name] = entries / ThumbnailCache::EntryName(file);
    }
    // An entry painted over shows as it is: the list reads the cache, not the picture. A damaged
    // entry is made again from its picture; a picture replaced under its name gets a new
    // thumbnail; a deleted picture's entry is dropped.
    const QString painted = QString::fromStdString(entryOf[PictureOf(3)].string());
    QImage entry(painted);
    ASSERT_EQ(entry.size(), QSize(kThumbnailWidth, kThumbnailHeight));
    entry.fill(Qt::gray);
    ASSERT_TRUE(entry.save(painted, "BMP"));
    std::ofstream(entryOf[PictureOf(0)], std::ios::trunc) << "BM";
    WritePicture(PictureOf(1), 300, 200, Qt::white);
    fs::remove(PictureOf(2));
    ClickControl(*window_, kIdPhotoManagement);
    QTRY_VERIFY(!list.isScanning());
    ASSERT_EQ(ItemTexts(list), (QStringList{"p0.bmp", "p1.bmp", "p3.bmp"}));
    EXPECT_EQ(IconOf(list, 0).pixelColor(142, 80), kColours[0]);
    EXPECT_EQ(IconOf(list, 1).pixelColor(142, 80), QColor(Qt::white));
    EXPECT_EQ(IconOf(list, 2).pixelColor(142, 80), QColor(Qt::gray));
    EXPECT_EQ(list.lastScanCounts().made, 2);
    EXPECT_EQ(list.lastScanCounts().fromCache, 1);
    EXPECT_EQ(list.lastScanCounts().dropped, 2);  // the replaced picture's and the deleted one's
    EXPECT_EQ(entryCount(), 4);
    // Opened again, nothing is made.
    ClickControl(*window_, kIdPhotoManagement);
    QTRY_VERIFY(!list.isScanning());
    EXPECT_EQ(list.lastScanCounts().fromCache, 3);
    EXPECT_EQ(list.lastScanCounts().made, 0);
}

TEST_F(PhotoBrowserTest, ItemTextsLongerThanTheBufferNameNoPicture) {
    PhotoList& list = OpenWithPictures(1);
    MainDlg& window = *window_;
    const QString longest(static_cast<int>(kItemTextBufferBytes) - 1, QChar('a'));
    list.addItem(longest);
    list.addItem(longest + "a");
    EXPECT_EQ(list.ItemPath(1), PatientFolder() / longest.toStdString());
    EXPECT_TRUE(list.ItemPath(2).empty());
    // Selected with a picture, the long text shows nothing and deletes nothing.
    ClickControl(window, kIdMultiSelection);
    ClickRow(list, 0);
    list.item(2)->setSelected(true);
    ClickControl(window, kIdCompare);
    EXPECT_EQ(PictureCentre(window.Control(kIdCompare1)), kColours[0]);
    EXPECT_TRUE(window.Control(kIdCompare2)->isVisible());
    EXPECT_FALSE(PictureCentre(window.Control(kIdCompare2)).isValid());
    ClickControl(window, kIdCompareBack);
    prompts_.QueueAnswer(PromptAnswer::kOk);
    ClickControl(window, kIdDelete);
    EXPECT_FALSE(fs::exists(PictureOf(0)));
    EXPECT_EQ(home_.TrashedFiles().size(), 1u);
}

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
