#include "app/ProgressForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Wide enough that the window keeps its size as the counts grow.
constexpr int kMinimumWidth = 300;
}  // namespace

TProgressForm::TProgressForm(QWidget *window, const QString &caption) : QDialog(window) {
    setObjectName(QStringLiteral("ProgressForm"));
    setWindowTitle(caption);
    // The window behind it takes no input while it is up.
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(kMinimumWidth);

    Label = new QLabel(this);
    Label->setTextFormat(Qt::PlainText);
    Bar = new QProgressBar(this);
    Bar->setTextVisible(false);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setAutoDefault(false);
    connect(CancelButton, &QPushButton::clicked, this, &TProgressForm::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label);
    layout->addWidget(Bar);
    layout->addLayout(buttons);
}

void TProgressForm::ShowProgress(const QString &text, int64_t done, int64_t steps) {
    // Counts above what the bar holds are scaled down alike.
    const int64_t scale = steps > 1000000 ? steps / 1000000 + 1 : 1;
    Bar->setRange(0, static_cast<int>(steps / scale));
    Bar->setValue(static_cast<int>(done / scale));
    Label->setText(steps > 0 ? QStringLiteral("%1\n%2 / %3").arg(text).arg(done).arg(steps) : text);
}

void TProgressForm::reject() {
    cancelRequested_ = true;
    CancelButton->setEnabled(false);
}
