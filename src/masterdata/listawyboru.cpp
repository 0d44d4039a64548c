#include "listawyboru.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace masterdata {

namespace {

QPushButton *pushButtonFor(QAction *action, QWidget *parent)
{
    auto *button = new QPushButton(action->text(), parent);
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    return button;
}

// Draws a line with its tabs at stops two average characters apart; the
// standard delegate puts them far wider.
class TabbedLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QStyle *style = item.widget ? item.widget->style() : QApplication::style();
        const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget);
        const QString text = item.text;
        item.text.clear();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);

        QTextOption layout(Qt::AlignLeft | Qt::AlignVCenter);
        layout.setWrapMode(QTextOption::NoWrap);
        layout.setTabStopDistance(2 * item.fontMetrics.averageCharWidth());
        const auto group = !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
                           : (item.state & QStyle::State_Active)  ? QPalette::Active
                                                                   : QPalette::Inactive;
        const auto role = (item.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
        painter->save();
        painter->setFont(item.font);
        painter->setPen(item.palette.color(group, role));
        painter->drawText(textRect, text, layout);
        painter->restore();
    }
};

// The path, then the system's reason.
const QString kReadFailure = QStringLiteral("Nie udało się wczytać listy z pliku\n%1\n\n%2");
const QString kWriteFailure = QStringLiteral("Nie udało się zapisać listy w pliku\n%1\n\n%2");

} // namespace

TfrmListaWyboru::TfrmListaWyboru(const ui::Context &context, const QString &caption, const QString &path,
                                 QWidget *parent)
    : QDialog(parent),
      SciezkaDoPliku(path),
      lbLista(new QListWidget(this)),
      actNowy(addAction(QStringLiteral("Dodaj"), Qt::Key_Insert)),
      actPopraw(addAction(QStringLiteral("Popraw"), Qt::Key_F5)),
      actusun(addAction(QStringLiteral("Kasuj"), Qt::Key_Delete)),
      actPelnaEdycja(addAction(QStringLiteral("Edycja listy"))),
      actWybierz(addAction(QStringLiteral("Wybierz"))),
      actZamknij(addAction(QStringLiteral("Zamknij"), Qt::Key_Escape)),
      bbtnSzukaj(new QPushButton(QStringLiteral("Szukaj"), this)),
      m_context(context),
      m_file(path)
{
    setModal(true);
    setWindowTitle(caption);

    QFont font = lbLista->font();
    font.setPointSize(10);
    lbLista->setFont(font);
    lbLista->setItemDelegate(new TabbedLineDelegate(lbLista));
    lbLista->setSelectionMode(QAbstractItemView::SingleSelection);
    lbLista->setContextMenuPolicy(Qt::ActionsContextMenu);
    lbLista->addActions({actNowy, actPopraw, actusun});

    connect(actNowy, &QAction::triggered, this, &TfrmListaWyboru::actNowyExecute);
    connect(actPopraw, &QAction::triggered, this, &TfrmListaWyboru::actPoprawExecute);
    connect(actusun, &QAction::triggered, this, &TfrmListaWyboru::actusunExecute);
    connect(bbtnSzukaj, &QPushButton::clicked, this, &TfrmListaWyboru::bbtnSzukajClick);
    connect(actPelnaEdycja, &QAction::triggered, this, &TfrmListaWyboru::actPelnaEdycjaExecute);
    connect(actWybierz, &QAction::triggered, this, &TfrmListaWyboru::actWybierzExecute);
    connect(actZamknij, &QAction::triggered, this, &QDialog::reject);
    connect(lbLista, &QListWidget::itemDoubleClicked, actWybierz, &QAction::trigger);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(pushButtonFor(actNowy, this));
    buttons->addWidget(pushButtonFor(actPopraw, this));
    buttons->addWidget(pushButtonFor(actusun, this));
    buttons->addWidget(bbtnSzukaj);
    buttons->addWidget(pushButtonFor(actPelnaEdycja, this));
    buttons->addStretch();
    QPushButton *wybierz = pushButtonFor(actWybierz, this);
    // Enter on a line chooses it, as a double click does.
    wybierz->setDefault(true);
    buttons->addWidget(wybierz);
    buttons->addWidget(pushButtonFor(actZamknij, this));
    // Seven buttons at the style's least width fit the 600 pixels the note
    // dialog asks for only with narrow gaps.
    buttons->setSpacing(4);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(lbLista);
    layout->addLayout(buttons);

    QStringList fileLines;
    QString reason;
    if (!m_file.read(fileLines, reason))
        m_context.prompts.error(kReadFailure.arg(path, reason));
    lbLista->addItems(fileLines);
    lbLista->installEventFilter(this);
}

// Nothing is selected at first: the first arrow key selects the line the
// list stands on instead of stepping past it.
bool TfrmListaWyboru::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lbLista && event->type() == QEvent::KeyPress && selectedRow() < 0 && lbLista->count() > 0) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Up) {
            selectRow(std::max(lbLista->currentRow(), 0));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QStringList TfrmListaWyboru::lines() const
{
    QStringList result;
    for (int row = 0; row < lbLista->count(); ++row)
        result << lbLista->item(row)->text();
    return result;
}

int TfrmListaWyboru::selectedRow() const
{
    const QList<QListWidgetItem *> selected = lbLista->selectedItems();
    return selected.isEmpty() ? -1 : lbLista->row(selected.first());
}

void TfrmListaWyboru::selectRow(int row)
{
    lbLista->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    lbLista->scrollToItem(lbLista->item(row));
}

void TfrmListaWyboru::actNowyExecute()
{
    const std::optional<QString> text =
        m_context.prompts.inputText(QStringLiteral("Nowa pozycja"), QStringLiteral("Wprowadź nową pozycję:"), {});
    if (!text)
        return;
    lbLista->addItem(*text);
    selectRow(lbLista->count() - 1);
    save();
}

int TfrmListaWyboru::selectedRowOrSay(const QString &complaint)
{
    const int row = selectedRow();
    if (row < 0)
        m_context.prompts.error(complaint);
    return row;
}

void TfrmListaWyboru::actPoprawExecute()
{
    const int row = selectedRowOrSay(QStringLiteral("Proszę wybrać wiersz do edycji."));
    if (row < 0)
        return;
    QListWidgetItem *item = lbLista->item(row);
    const std::optional<QString> text =
        m_context.prompts.inputText(QStringLiteral("Edycja"), QStringLiteral("Popraw wybraną linię"), item->text());
    if (!text)
        return;
    item->setText(*text);
    save();
}

void TfrmListaWyboru::actusunExecute()
{
    const int row = selectedRowOrSay(QStringLiteral("Proszę wybrać wiersz do usunięcia."));
    if (row < 0 || !m_context.prompts.question(QStringLiteral("Czy usunąć wskazaną pozycję ?"), true))
        return;
    delete lbLista->takeItem(row);
    // As after any deletion: the next Delete must not hit a line unasked.
    lbLista->clearSelection();
    save();
}

void TfrmListaWyboru::bbtnSzukajClick()
{
    const std::optional<QString> phrase = m_context.prompts.inputText(
        QStringLiteral("Szukaj pozycję"), QStringLiteral("Wpisz szukaną frazę"), lokSzukane);
    if (!phrase)
        return;
    lokSzukane = *phrase;
    const int row = app::nextSearchedLine(lines(), selectedRow(), lokSzukane);
    if (row >= 0)
        selectRow(row);
}

void TfrmListaWyboru::actPelnaEdycjaExecute()
{
    // The changes show at the next opening: nothing waits for the editor.
    app::openOrTell(m_context.shell, m_context.prompts, SciezkaDoPliku, app::WindowState::Normal);
}

void TfrmListaWyboru::actWybierzExecute()
{
    const int row = selectedRowOrSay(QStringLiteral("Nie został zaznaczony żaden wiersz do wyboru."));
    if (row < 0)
        return;
    Wybrany = app::valueOfLine(lbLista->item(row)->text());
    accept();
}

// A failed save keeps the change in the list: the user may copy it from
// there or try again once the file can be written.
void TfrmListaWyboru::save()
{
    QString reason;
    if (!m_file.write(lines(), reason))
        m_context.prompts.error(kWriteFailure.arg(SciezkaDoPliku, reason));
}

QString ShowPickList(const ui::Context &context, const QString &caption, const QString &path, int width, int height,
                     QWidget *parent)
{
    TfrmListaWyboru window(context, caption, path, parent ? parent : QApplication::activeWindow());
    window.resize(width, height);
    return window.exec() == QDialog::Accepted ? window.Wybrany : QString();
}

} // namespace masterdata
