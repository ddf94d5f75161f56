// The bench window for screen readers: accessible names from the visible labels in the
// chosen language. Nothing here changes what the window draws.

#include "bench/Main.h"

#include "toolkit/Controls.h"
#include "toolkit/Widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace {

// String ids of the names that no visible label gives.
enum AccessibleString : std::int32_t {
    BenchPictureName = 63,
    MarkerName = 64,
};

} // namespace

void TForm1::ApplyAccessibleNames() {
    using toolkit::SpokenText;
    toolkit::TieToLabel(Label3, Edit1);
    // The scroll bar moves the detector, and what it changes is the distance.
    toolkit::TieToLabel(Label7, ScrollBar2);
    ScrollBar2->setAccessibleDescription(SpokenText(Label3->text()));
    for (QLabel* label : {Label1, Label2, Label3, Label7})
        toolkit::NameAsShown(label);

    Image1->setAccessibleName(toolkit::LangText(Catalogue, BenchPictureName));
    Shape2->setAccessibleName(SpokenText(Label2->text()));
    Shape4->setAccessibleName(Shape4->toolTip());
    Shape9->setAccessibleName(toolkit::LangText(Catalogue, MarkerName));
}
