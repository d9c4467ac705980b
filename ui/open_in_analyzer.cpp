// The double-click's steps, in order.
#include "ui/open_in_analyzer.h"

#include "analyzer/vyr_open_cv.h"
#include "app/core/vyr_app.h"
#include "ui/current_item.h"
#include "ui/photo_list.h"

namespace vyr {

void OpenInAnalyzer(CVyrApp& app, const PhotoList& list) {
    const int index = list.FirstSelectedRow();
    SetCurrentItemIndex(index);
    if (index < 0) {
        return;
    }
    app.SetSelectedPicture(list.item(index)->text().toStdString());
    CVyrOpenCV analyzer(app);
    (void)analyzer.exec();
}

}  // namespace vyr
