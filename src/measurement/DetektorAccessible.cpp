// The detector window for screen readers: accessible names from the visible labels in
// the chosen language, and the plot's text alternative, built from what the readouts
// show. Nothing here changes what the window draws.

#include "measurement/Detektor.h"

#include "toolkit/Controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStringList>

namespace {

using toolkit::SpokenText;
using toolkit::TieToLabel;

// String ids of the names that no visible label gives.
enum AccessibleString : std::int32_t {
    FullScaleName = 220,
    FullScaleUp = 221,
    FullScaleDown = 222,
    LowestChannelName = 223,
    LowestChannelUp = 224,
    LowestChannelDown = 225,
    HighestChannelName = 226,
    HighestChannelUp = 227,
    HighestChannelDown = 228,
    PlotName = 229,
    AxesName = 230,
};

// "name value": one readout as a screen reader says it.
QString Reading(const QString& name, const QString& value) {
    return name + QLatin1Char(' ') + value.trimmed();
}

} // namespace

void TForm2::ApplyAccessibleNames() {
    const auto packText = [this](std::int32_t id) { return toolkit::LangText(Catalogue, id); };

    // Spectrum tab: the scale and range fields and their spinners.
    Edit1->setAccessibleName(packText(FullScaleName));
    UpDown1->SetAccessibleNames(packText(FullScaleName), packText(FullScaleUp),
                                packText(FullScaleDown));
    Edit2->setAccessibleName(packText(LowestChannelName));
    UpDown3->SetAccessibleNames(packText(LowestChannelName), packText(LowestChannelUp),
                                packText(LowestChannelDown));
    Edit3->setAccessibleName(packText(HighestChannelName));
    UpDown2->SetAccessibleNames(packText(HighestChannelName), packText(HighestChannelUp),
                                packText(HighestChannelDown));

    // Fields with a label of their own.
    TieToLabel(Label20, Preset);
    TieToLabel(Label21, CurTim);
    TieToLabel(Label16, Edit12);
    TieToLabel(Label17, Edit13);
    TieToLabel(Label18, Edit14);
    // The region ends: the region's heading and the end's own label ("Range Min").
    TieToLabel(Label14, Edit10);
    Edit10->setAccessibleName(SpokenText(Label13->text()) + QLatin1Char(' ') +
                              SpokenText(Label14->text()));
    TieToLabel(Label15, Edit11);
    Edit11->setAccessibleName(SpokenText(Label13->text()) + QLatin1Char(' ') +
                              SpokenText(Label15->text()));
    for (QLabel* label :
         {Label13, Label14, Label15, Label16, Label17, Label18, Label20, Label21, Label12, Label11})
        toolkit::NameAsShown(label);

    // The pictures and the cursor line.
    Image1->setAccessibleName(packText(AxesName));
    Image3->setAccessibleName(packText(PlotName));
    Shape1->setAccessibleName(SpokenText(Label12->text()));

    // Geometry tab (not shown, but named for when it is).
    TieToLabel(Label1, ComboBox1);
    TieToLabel(Label2, ComboBox2);
    TieToLabel(Label6, Edit7);
    TieToLabel(Label7, Edit8);
    TieToLabel(Label8, Edit9);
    TieToLabel(Label19, Edit15);
    TieToLabel(Label3, Edit6);
    Image2->setAccessibleName(PageControl1->tabText(1));

    DescribePlot();
}

// The plot's text alternative: the shown range, the full scale, the cursor's channel and
// content and the region's ends and sums, each as its readout shows it.
void TForm2::DescribePlot() {
    toolkit::NameAsShown(Label9);
    toolkit::NameAsShown(Label10);
    Shape1->setAccessibleDescription(Label9->text().trimmed());

    const QStringList parts = {
        Reading(Edit2->accessibleName(), Edit2->text()),
        Reading(Edit3->accessibleName(), Edit3->text()),
        Reading(Edit1->accessibleName(), Edit1->text()),
        Reading(SpokenText(Label12->text()), Label9->text()),
        Reading(SpokenText(Label11->text()), Label10->text()),
        Reading(Edit10->accessibleName(), Edit10->text()),
        Reading(Edit11->accessibleName(), Edit11->text()),
        Reading(Edit12->accessibleName(), Edit12->text()),
        Reading(Edit13->accessibleName(), Edit13->text()),
        Reading(Edit14->accessibleName(), Edit14->text()),
    };
    Image3->setAccessibleDescription(parts.join(QStringLiteral(", ")));
}
