#include "app/drive_chooser.h"
#include "app/folder_chooser.h"
#include "app/image_button.h"
#include "app/tivelo_form.h"
#include "app/twips.h"
#include "platform/system_colour.h"

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

const QColor LabelRed(255, 0, 0);
const QColor FileGreen(0, 255, 0);

QString picture(const char* name) {
    return QStringLiteral(":/pictures/") + QLatin1String(name);
}

QFont labelFont(const QStringList& families, double points) {
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

QLabel* makeLabel(const QString& text, const QColor& colour, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setAutoFillBackground(false);
    return label;
}

QPushButton* makeButton(const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    // Enter on a focused button clicks it, as on any dialog-like window.
    button->setAutoDefault(true);
    return button;
}

QCursor pointingCursor() {
    const QPixmap shape = QPixmap::fromImage(QImageReader(picture("pointer.cur")).read());
    return shape.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(shape, 12, 1);
}

} // namespace

void TiveloForm::createControls() {
    setWindowTitle(QStringLiteral("Quorlen(Win manager)"));
    setWindowIcon(QIcon(picture("tivelo.ico")));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, menuTextColour());
    setPalette(palette);
    setAutoFillBackground(true);

    Label1[0] = makeLabel(QStringLiteral("Seconds between pictures"), LabelRed, this);
    Label1[0]->setFont(
        labelFont({"MS Sans Serif", "Microsoft Sans Serif", "Arial", "Liberation Sans", "DejaVu Sans"}, 8.25));
    SecsText = new QLineEdit(QStringLiteral("30"), this);
    SecsText->setMaxLength(5);
    Label1[1] = makeLabel(QStringLiteral("Каталог с картинками:"), LabelRed, this);
    Label1[1]->setFont(labelFont({"Courier New", "Liberation Mono", "DejaVu Sans Mono", "Monospace"}, 9));
    Drive1 = new DriveChooser(this);
    Dir1 = new FolderChooser(this);
    FileLabel = makeLabel(QString(), FileGreen, this);
    FileLabel->setAlignment(Qt::AlignCenter);

    Image3 = new ImageButton(picture("image3.ico"), QStringLiteral("Свернуть"), this);
    Image2 = new ImageButton(picture("image2.ico"), QStringLiteral("Выход"), this);
    Image1 = new ImageButton(picture("image1.ico"), QStringLiteral("OK!"), this);
    Image6 = new ImageButton(picture("image6.ico"), QStringLiteral("Stop"), this);
    Image5 = new ImageButton(picture("image5.ico"), QStringLiteral("Следующая"), this);
    Image4 = new ImageButton(picture("image4.ico"), QStringLiteral("Help"), this);
    const QCursor pointer = pointingCursor();
    for (ImageButton* image : {Image1, Image2, Image3, Image4, Image5, Image6})
        image->setCursor(pointer);

    CmdEnd = makeButton(QStringLiteral("Выход"), this);
    Command2 = makeButton(QStringLiteral("Стоп"), this);
    CmdHelp = makeButton(QStringLiteral("Помощь"), this);
    CmdApply = makeButton(QStringLiteral("Ok"), this);
    CmdApply->setDefault(true);
    Command1 = makeButton(QStringLiteral("Свернуть"), this);
    CmdNext = makeButton(QStringLiteral("Следующая"), this);
    HiddenPict = new QLabel(this);
    HiddenPict->hide();
    DirText = new QLineEdit(this);
    DirText->hide();

    qq = new QMenu(QStringLiteral("Меню"), this);
    pict = qq->addAction(QStringLiteral("Смена картинок"));
    conf = qq->addAction(QStringLiteral("Настройка config.sys"));
    conf->setVisible(false);
}

void TiveloForm::placeControls() {
    const QScreen* screen = this->screen();
    const double perPixel = twipsPerPixel(screen ? screen->logicalDotsPerInchX() : 96.0);
    const auto place = [perPixel](QWidget* widget, const TwipsRect& where) {
        widget->setGeometry(toPixels(where, perPixel));
    };
    setFixedSize(toPixels(ClientArea, perPixel).size());
    place(Label1[0], {120, 120, 2295, 255});
    place(SecsText, {2400, 120, 615, 285});
    place(Label1[1], {3360, 0, 2295, 255});
    place(Drive1, {4080, 240, 2055, 315});
    place(Dir1, {3960, 600, 2775, 990});
    place(FileLabel, {120, 1440, 3675, 195});
    // Image buttons take the size of their picture; only their corner is laid out.
    for (auto [image, left, top] :
         {std::tuple{Image3, 240, 360}, std::tuple{Image2, 720, 360}, std::tuple{Image1, 1800, 600},
          std::tuple{Image6, 2880, 600}, std::tuple{Image5, 3720, 240}, std::tuple{Image4, 6360, 240}}) {
        image->move(twipsToPixels(left, perPixel), twipsToPixels(top, perPixel));
        image->resize(image->pixmap().size());
    }
    // The push buttons sit below the client area: out of sight, yet reachable with the keyboard.
    place(CmdEnd, {2880, 2040, 855, 255});
    place(Command2, {120, 2160, 1335, 255});
    place(CmdHelp, {3960, 2160, 2295, 255});
    place(CmdApply, {1440, 2400, 1332, 315});
    place(Command1, {3480, 2520, 1335, 255});
    place(CmdNext, {0, 2640, 1332, 255});
    place(HiddenPict, {6240, 2640, 375, 375});
    place(DirText, {240, 3600, 3735, 285});
}

void TiveloForm::setTabOrder() {
    const QList<QWidget*> order{CmdEnd,     CmdApply, SecsText, DirText,  CmdHelp, CmdNext,
                                HiddenPict, Drive1,   Dir1,     Command1, Command2};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    for (QWidget* label : {static_cast<QWidget*>(Label1[0]), static_cast<QWidget*>(Label1[1]),
                           static_cast<QWidget*>(FileLabel), static_cast<QWidget*>(HiddenPict)})
        label->setFocusPolicy(Qt::NoFocus);
}
