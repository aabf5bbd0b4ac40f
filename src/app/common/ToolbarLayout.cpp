#include "app/common/ToolbarLayout.h"

#include <QDataStream>
#include <QIODevice>
#include <QMainWindow>
#include <QToolBar>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <tuple>

#include "platform/IniFile.h"

namespace zelvo {

namespace {

constexpr const char* kRowProperty = "zelvoDockRow";
constexpr const char* kPosProperty = "zelvoDockPos";

std::string SectionName(const QToolBar* toolbar) {
    if (toolbar->objectName().isEmpty())
        throw std::logic_error("Cannot save tool window's position because Name property is not set");
    return toolbar->objectName().toStdString();
}

bool Horizontal(Qt::ToolBarArea area) {
    return area == Qt::TopToolBarArea || area == Qt::BottomToolBarArea;
}

struct TPlace {
    Qt::ToolBarArea Area = Qt::TopToolBarArea;
    int Row = 0;
    int Pos = 0;
    bool Floating = false;
    int FloatLeft = 0;
    int FloatTop = 0;
    bool Visible = true;
};

// Row and position of a docked toolbar: from its geometry when it is laid
// out, else the place it was given last.
std::pair<int, int> CurrentRowPos(QMainWindow& window, QToolBar* toolbar, const QList<QToolBar*>& all) {
    const Qt::ToolBarArea area = window.toolBarArea(toolbar);
    if (toolbar->isHidden() || toolbar->isFloating() || !window.isVisible())
        return {toolbar->property(kRowProperty).toInt(), toolbar->property(kPosProperty).toInt()};
    std::vector<int> lines;
    for (QToolBar* other : all) {
        if (other->isHidden() || other->isFloating() || window.toolBarArea(other) != area) continue;
        lines.push_back(Horizontal(area) ? other->y() : other->x());
    }
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    const int line = Horizontal(area) ? toolbar->y() : toolbar->x();
    const int row = int(std::lower_bound(lines.begin(), lines.end(), line) - lines.begin());
    return {row, Horizontal(area) ? toolbar->x() : toolbar->y()};
}

}  // namespace

QString DockName(Qt::ToolBarArea area) {
    switch (area) {
        case Qt::TopToolBarArea: return QStringLiteral("zzDockTop");
        case Qt::BottomToolBarArea: return QStringLiteral("zzDockBottom");
        case Qt::LeftToolBarArea: return QStringLiteral("zzDockLeft");
        case Qt::RightToolBarArea: return QStringLiteral("zzDockRight");
        default: return {};
    }
}

Qt::ToolBarArea DockArea(const QString& name) {
    for (Qt::ToolBarArea area :
         {Qt::TopToolBarArea, Qt::BottomToolBarArea, Qt::LeftToolBarArea, Qt::RightToolBarArea})
        if (name.compare(DockName(area), Qt::CaseInsensitive) == 0) return area;
    return Qt::NoToolBarArea;
}

void SetDesignDockPlace(QToolBar* toolbar, int row, int pos) {
    toolbar->setProperty(kRowProperty, row);
    toolbar->setProperty(kPosProperty, pos);
}

void ReadToolbarLayout(QMainWindow& window, const QList<QToolBar*>& toolbars, const TIniFile& ini) {
    std::map<QToolBar*, TPlace> places;
    for (QToolBar* toolbar : toolbars) {
        const std::string section = SectionName(toolbar);
        TPlace place;
        place.Area = window.toolBarArea(toolbar);
        place.Row = toolbar->property(kRowProperty).toInt();
        place.Pos = toolbar->property(kPosProperty).toInt();
        place.Visible = !toolbar->isHidden();
        const int rev = ini.ReadInteger(section, "Rev", 0);
        if (rev == 2 || rev == 3) {
            place.Visible = ini.ReadBool(section, "Visible", place.Visible);
            const QString dockedTo = QString::fromStdString(ini.ReadString(section, "DockedTo", ""));
            if (dockedTo == QLatin1String("+")) {
                place.Floating = true;
                place.FloatLeft = ini.ReadInteger(section, "FloatLeft", 0);
                place.FloatTop = ini.ReadInteger(section, "FloatTop", 0);
                if (rev > 2) {
                    const Qt::ToolBarArea last =
                        DockArea(QString::fromStdString(ini.ReadString(section, "LastDock", "")));
                    if (last != Qt::NoToolBarArea && toolbar->isAreaAllowed(last)) place.Area = last;
                }
            } else if (!dockedTo.isEmpty()) {
                const Qt::ToolBarArea area = DockArea(dockedTo);
                if (area != Qt::NoToolBarArea && toolbar->isAreaAllowed(area)) {
                    place.Area = area;
                    place.Row = ini.ReadInteger(section, "DockRow", 0);
                    place.Pos = ini.ReadInteger(section, "DockPos", 0);
                }
            }
        }
        places[toolbar] = place;
    }

    // Take every toolbar out and put them back area by area, row by row, in
    // the order of their positions.
    window.setUpdatesEnabled(false);
    for (QToolBar* toolbar : toolbars) {
        if (window.toolBarBreak(toolbar)) window.removeToolBarBreak(toolbar);
        window.removeToolBar(toolbar);
    }
    for (Qt::ToolBarArea area :
         {Qt::TopToolBarArea, Qt::BottomToolBarArea, Qt::LeftToolBarArea, Qt::RightToolBarArea}) {
        std::vector<QToolBar*> inArea;
        for (QToolBar* toolbar : toolbars)
            if (places[toolbar].Area == area) inArea.push_back(toolbar);
        std::stable_sort(inArea.begin(), inArea.end(), [&](QToolBar* a, QToolBar* b) {
            return std::tie(places[a].Row, places[a].Pos) < std::tie(places[b].Row, places[b].Pos);
        });
        for (std::size_t i = 0; i < inArea.size(); ++i) {
            if (i > 0 && places[inArea[i]].Row != places[inArea[i - 1]].Row) window.addToolBarBreak(area);
            window.addToolBar(area, inArea[i]);
            SetDesignDockPlace(inArea[i], places[inArea[i]].Row, places[inArea[i]].Pos);
        }
    }
    for (QToolBar* toolbar : toolbars) toolbar->setVisible(places[toolbar].Visible);
    for (QToolBar* toolbar : toolbars)
        if (places[toolbar].Floating)
            SetToolbarFloating(window, toolbar, true, places[toolbar].FloatLeft, places[toolbar].FloatTop);
    window.setUpdatesEnabled(true);
}

void WriteToolbarLayout(QMainWindow& window, const QList<QToolBar*>& toolbars, TIniFile& ini) {
    for (QToolBar* toolbar : toolbars) {
        const std::string section = SectionName(toolbar);
        const Qt::ToolBarArea area = window.toolBarArea(toolbar);
        ini.WriteInteger(section, "Rev", kToolbarLayoutRev);
        ini.WriteBool(section, "Visible", !toolbar->isHidden());
        const QString dock = DockName(area);
        ini.WriteString(section, "DockedTo", toolbar->isFloating() ? "+" : dock.toStdString());
        ini.WriteString(section, "LastDock", dock.toStdString());
        const auto [row, pos] = CurrentRowPos(window, toolbar, toolbars);
        ini.WriteInteger(section, "DockRow", row);
        ini.WriteInteger(section, "DockPos", pos);
        const QPoint floatPos = toolbar->isFloating() ? toolbar->pos() : QPoint();
        ini.WriteInteger(section, "FloatLeft", floatPos.x());
        ini.WriteInteger(section, "FloatTop", floatPos.y());
    }
}

// Floating is not offered by QToolBar's public interface; the window's saved
// state carries it. The toolbar part of that state is a marker byte, a line
// count and, per line, the area, the item count and per item the object
// name, a shown/orientation byte, the position, the preferred size and the
// packed floating geometry. The state is parsed back to its end before
// anything is changed, so an unexpected layout leaves the window alone.
bool SetToolbarFloating(QMainWindow& window, QToolBar* toolbar, bool floating, int left, int top) {
    if (toolbar->isFloating() == floating) {
        if (floating) toolbar->move(left, top);
        return true;
    }
    const QByteArray state = window.saveState();
    constexpr uchar kToolBarStateMarkerEx = 0xfc;
    for (int start = int(state.size()) - 1; start >= 0; --start) {
        if (uchar(state[start]) != kToolBarStateMarkerEx) continue;
        QDataStream in(state.mid(start));
        in.setVersion(QDataStream::Qt_5_0);
        uchar marker = 0;
        int lines = 0;
        in >> marker >> lines;
        if (lines < 0 || lines > 64) continue;
        struct TItem {
            QString Name;
            uchar Shown;
            int Pos, Size;
            uint Geom0, Geom1;
        };
        struct TLine {
            int Area;
            QList<TItem> Items;
        };
        QList<TLine> parsed;
        bool ok = true;
        for (int l = 0; l < lines && ok; ++l) {
            TLine line;
            int count = 0;
            in >> line.Area >> count;
            if (in.status() != QDataStream::Ok || count < 0 || count > 64) {
                ok = false;
                break;
            }
            for (int k = 0; k < count; ++k) {
                TItem item;
                in >> item.Name >> item.Shown >> item.Pos >> item.Size >> item.Geom0 >> item.Geom1;
                line.Items.append(item);
            }
            parsed.append(line);
        }
        if (!ok || in.status() != QDataStream::Ok || !in.atEnd()) continue;
        bool found = false;
        for (TLine& line : parsed)
            for (TItem& item : line.Items) {
                if (item.Name != toolbar->objectName()) continue;
                found = true;
                if (floating) {
                    const QSize size = toolbar->sizeHint();
                    // Bit 0 marks floating; then x and y offset by 0x7FFF,
                    // width and height.
                    item.Geom0 = (((uint(size.width()) & 0x7FFF) << 16) | (uint(left + 0x7FFF) & 0xFFFF)) << 1 | 1u;
                    item.Geom1 = ((uint(size.height()) & 0xFFFF) << 16) | (uint(top + 0x7FFF) & 0xFFFF);
                } else {
                    item.Geom0 = 0;
                    item.Geom1 = 0;
                }
            }
        if (!found) return false;
        QByteArray rebuilt = state.left(start);
        QDataStream out(&rebuilt, QIODevice::Append);
        out.setVersion(QDataStream::Qt_5_0);
        out << marker << lines;
        for (const TLine& line : parsed) {
            out << line.Area << int(line.Items.size());
            for (const TItem& item : line.Items)
                out << item.Name << item.Shown << item.Pos << item.Size << item.Geom0 << item.Geom1;
        }
        return window.restoreState(rebuilt) && toolbar->isFloating() == floating;
    }
    return false;
}

}  // namespace zelvo
