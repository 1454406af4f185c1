// SPDX-License-Identifier: MIT
#include "ui/drive_list.h"
#include "ui/folder_list.h"
#include "ui/main_window.h"
#include "ui/picture_button.h"
#include "ui/twips.h"

#include <QAction>
#include <QCursor>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr TwipsRect ClientArea{0, 0, 6855, 1725};

const QColor CaptionRed(255, 0, 0);
const QColor NameGreen(0, 255, 0);

QString icon(const char* name) {
    return QStringLiteral(":/icons/") + QLatin1String(name);
}

QFont captionFont(const QStringList& families, double points) {
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

QLabel* makeLabel(const QString& name, const QString& text, const QColor& colour, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setAutoFillBackground(false);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Enter on a focused button clicks it, as on any dialog-like window.
    button->setAutoDefault(true);
    return button;
}

PictureButton* makePictureButton(const QString& name, const char* iconName, const QString& toolTip,
                                 const QCursor& pointer, QWidget* parent) {
    auto* button = new PictureButton(icon(iconName), toolTip, parent);
    button->setObjectName(name);
    button->setCursor(pointer);
    return button;
}

QCursor pointingCursor() {
    const QPixmap shape = QPixmap::fromImage(QImageReader(icon("pointer.cur")).read());
    return shape.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(shape, 12, 1);
}

} // namespace

QIcon programIcon() {
    return QIcon(icon("quorlen.ico"));
}

void MainWindow::createControls(const QColor& background) {
    setWindowTitle(QStringLiteral("Quorlen(Win manager)"));
    setWindowIcon(programIcon());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, background);
    setPalette(palette);
    setAutoFillBackground(true);

    secondsCaption_ = makeLabel("secondsCaption", QStringLiteral("Seconds between pictures"), CaptionRed, this);
    secondsCaption_->setFont(
        captionFont({"MS Sans Serif", "Microsoft Sans Serif", "Arial", "Liberation Sans", "DejaVu Sans"}, 8.25));
    secondsField_ = new QLineEdit(this);
    secondsField_->setObjectName("secondsField");
    secondsField_->setMaxLength(5);
    folderCaption_ = makeLabel("folderCaption", QStringLiteral("Каталог с картинками:"), CaptionRed, this);
    folderCaption_->setFont(captionFont({"Courier New", "Liberation Mono", "DejaVu Sans Mono", "Monospace"}, 9));
    driveList_ = new DriveList(this);
    driveList_->setObjectName("driveList");
    folderList_ = new FolderList(this);
    folderList_->setObjectName("folderList");
    pictureNameLabel_ = makeLabel("pictureNameLabel", QString(), NameGreen, this);
    pictureNameLabel_->setAlignment(Qt::AlignCenter);
    pictureNameLabel_->setTextFormat(Qt::PlainText); // a file name is never markup

    const QCursor pointer = pointingCursor();
    hidePictureButton_ = makePictureButton("hidePictureButton", "hide.ico", QStringLiteral("Свернуть"), pointer, this);
    exitPictureButton_ = makePictureButton("exitPictureButton", "exit.ico", QStringLiteral("Выход"), pointer, this);
    applyPictureButton_ = makePictureButton("applyPictureButton", "apply.ico", QStringLiteral("OK!"), pointer, this);
    stopPictureButton_ = makePictureButton("stopPictureButton", "stop.ico", QStringLiteral("Stop"), pointer, this);
    nextPictureButton_ = makePictureButton("nextPictureButton", "next.ico", QStringLiteral("Следующая"), pointer, this);
    aboutPictureButton_ = makePictureButton("aboutPictureButton", "about.ico", QStringLiteral("Help"), pointer, this);

    exitButton_ = makeButton("exitButton", QStringLiteral("Выход"), this);
    stopButton_ = makeButton("stopButton", QStringLiteral("Стоп"), this);
    aboutButton_ = makeButton("aboutButton", QStringLiteral("Помощь"), this);
    applyButton_ = makeButton("applyButton", QStringLiteral("Ok"), this);
    applyButton_->setDefault(true);
    hideButton_ = makeButton("hideButton", QStringLiteral("Свернуть"), this);
    nextButton_ = makeButton("nextButton", QStringLiteral("Следующая"), this);
}

// A menu that is never shown: its one visible item does nothing, the other names the start-up files tip.
void MainWindow::createHiddenMenu() {
    auto* menu = new QMenu(QStringLiteral("Меню"), this);
    menu->setObjectName("hiddenMenu");
    menu->addAction(QStringLiteral("Смена картинок"));
    QAction* tip = menu->addAction(QStringLiteral("Настройка config.sys"));
    tip->setObjectName("startupTipAction");
    tip->setVisible(false);
    connect(tip, &QAction::triggered, this, &MainWindow::startupTipRequested);
}

void MainWindow::placeControls() {
    const QScreen* screen = this->screen();
    const double perPixel = twipsPerPixel(screen ? screen->logicalDotsPerInchX() : 96.0);
    const auto place = [perPixel](QWidget* widget, const TwipsRect& where) {
        widget->setGeometry(toPixels(where, perPixel));
    };
    setFixedSize(toPixels(ClientArea, perPixel).size());
    place(secondsCaption_, {120, 120, 2295, 255});
    place(secondsField_, {2400, 120, 615, 285});
    place(folderCaption_, {3360, 0, 2295, 255});
    place(driveList_, {4080, 240, 2055, 315});
    place(folderList_, {3960, 600, 2775, 990});
    place(pictureNameLabel_, {120, 1440, 3675, 195});
    // Picture buttons take the size of their picture; only their corner is laid out.
    for (auto [button, left, top] :
         {std::tuple{hidePictureButton_, 240, 360}, std::tuple{exitPictureButton_, 720, 360},
          std::tuple{applyPictureButton_, 1800, 600}, std::tuple{stopPictureButton_, 2880, 600},
          std::tuple{nextPictureButton_, 3720, 240}, std::tuple{aboutPictureButton_, 6360, 240}}) {
        button->move(twipsToPixels(left, perPixel), twipsToPixels(top, perPixel));
        button->resize(button->pixmap().size());
    }
    // The push buttons sit below the client area: out of sight, yet reachable with the keyboard.
    place(exitButton_, {2880, 2040, 855, 255});
    place(stopButton_, {120, 2160, 1335, 255});
    place(aboutButton_, {3960, 2160, 2295, 255});
    place(applyButton_, {1440, 2400, 1332, 315});
    place(hideButton_, {3480, 2520, 1335, 255});
    place(nextButton_, {0, 2640, 1332, 255});
}

void MainWindow::setTabOrder() {
    const QList<QWidget*> order{exitButton_, applyButton_, secondsField_, aboutButton_, nextButton_,
                                driveList_,  folderList_,  hideButton_,   stopButton_};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}
