#include "app/dialogs/ZVfrmCustomFilter.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>

#include "app/common/AppTitle.h"
#include "app/common/Language.h"
#include "app/common/HelpPages.h"
#include "app/common/Settings.h"
#include "app/dialogs/DialogParts.h"
#include "app/common/EditorContext.h"
#include "document/QxImage.h"
#include "image/Exceptions.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {

constexpr const char* kSection = "Effects";
constexpr const char* kKey = "CustomFilter";
constexpr const char* kDefault = "1,-2,1,-2,5,-2,1,-2,1,1";
constexpr int kHelpCustomFilter = 67;
constexpr const char* kCannotRead = QT_TRANSLATE_NOOP("TZVfrmCustomFilter", "カスタムフィルタが読み込めません");
// A filter file is one short line; anything much longer is not one.
constexpr qint64 kMaxFileBytes = 64 * 1024;

const QString kFileFilter = QCoreApplication::translate("TZVfrmCustomFilter", "カスタムフィルタ(*.flt);;テキストファイル(*.txt);;すべてのファイル(*)");

// An integer as the edits and the settings text hold it: an optional sign
// and decimal digits, surrounding blanks allowed, within the range a kernel
// entry takes.
std::optional<int> ToInteger(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < -32768 || value > 32767)
        return std::nullopt;
    return int(value);
}

QString ChooseFile(QWidget* parent, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(kFileFilter);
    dialog.setDefaultSuffix(QStringLiteral("flt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

TZVfrmCustomFilter::TZVfrmCustomFilter(TEditorContext& form) : QDialog(&form.Window()), FForm(form) {
    setObjectName(QStringLiteral("ZVfrmCustomFilter"));
    setWindowTitle(QCoreApplication::translate("TZVfrmCustomFilter", "カスタムフィルタ"));
    setFixedSize(300, 176);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    for (int i = 0; i < 9; ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
        edit->setGeometry(12 + (i % 3) * 62, 12 + (i / 3) * 30, 56, 24);
        edit->setAlignment(Qt::AlignRight);
        Edits[std::size_t(i)] = edit;
    }
    Label1 = new QLabel(QCoreApplication::translate("TZVfrmCustomFilter", "除数："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(12, 108, 50, 24);
    SpinEdit1 = MakeSpinEdit(this, "SpinEdit1", 1, 255, 1, 64);
    SpinEdit1->setGeometry(62, 108, 64, 24);

    btnSaveFilter = new QPushButton(QCoreApplication::translate("TZVfrmCustomFilter", "保存"), this);
    btnSaveFilter->setObjectName(QStringLiteral("btnSaveFilter"));
    btnSaveFilter->setGeometry(208, 12, 80, 26);
    btnLoadFilter = new QPushButton(QCoreApplication::translate("TZVfrmCustomFilter", "読込"), this);
    btnLoadFilter->setObjectName(QStringLiteral("btnLoadFilter"));
    btnLoadFilter->setGeometry(208, 44, 80, 26);
    connect(btnSaveFilter, &QPushButton::clicked, this, [this] { SaveClick(); });
    connect(btnLoadFilter, &QPushButton::clicked, this, [this] { LoadClick(); });
    MakeOkCancelHelpButtons(*this, 30, 142, {"btnOk", "btnCancel", "btnHelp"}, btnOk, btnCancel, btnHelp,
                            [this] { OkClick(); }, [] { ShowHelpTopic(kHelpCustomFilter); });

    OpenFileHook = [this] { return ChooseFile(this, QFileDialog::AcceptOpen); };
    SaveFileHook = [this] { return ChooseFile(this, QFileDialog::AcceptSave); };
    ErrorHook = [this](const QString& message) { QMessageBox::critical(this, ApplicationTitle(), message); };

    // The setting: the defaults first, then as many items as the text has.
    SetFilter(effects::TCustomFilter{});
    // A setting longer than a read holds is not cut into a different filter.
    const std::string setting =
        TIniFile(SettingsPath()).ReadStringIn(kSection, kKey, kDefault, TIniFile::kMaxStringLength);
    std::string_view rest = setting;
    for (int item = 0; item < 10; ++item) {
        const std::size_t comma = rest.find(',');
        const std::string_view text = rest.substr(0, comma);
        if (item < 9) {
            Edits[std::size_t(item)]->setText(QString::fromUtf8(text.data(), qsizetype(text.size())));
        } else if (const auto divisor = ToInteger(text)) {
            SpinEdit1->setValue(std::clamp(*divisor, 1, 255));
        }
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

effects::TCustomFilter TZVfrmCustomFilter::Filter() const {
    effects::TCustomFilter filter;
    for (std::size_t i = 0; i < 9; ++i) {
        const std::string text = Edits[i]->text().toStdString();
        const auto value = ToInteger(text);
        if (!value) throw EConvertError("'" + text + "' is not a valid integer value");
        filter.Rows[i] = *value;
    }
    filter.Divisor = SpinEdit1->value();
    return filter;
}

void TZVfrmCustomFilter::SetFilter(const effects::TCustomFilter& filter) {
    for (std::size_t i = 0; i < 9; ++i) Edits[i]->setText(QString::number(filter.Rows[i]));
    SpinEdit1->setValue(std::clamp(filter.Divisor, 1, 255));
}

std::optional<effects::TCustomFilter> TZVfrmCustomFilter::ShownFilter() {
    try {
        return Filter();
    } catch (const EConvertError& error) {
        ErrorHook(EngineMessage(error.what()));
        return std::nullopt;
    }
}

void TZVfrmCustomFilter::OkClick() {
    const std::optional<effects::TCustomFilter> checked = ShownFilter();
    if (!checked) return;
    const effects::TCustomFilter filter = *checked;
    hide();
    const effects::Convolve3x3Params kernel = effects::CustomFilterKernel(filter);
    const bool ran = FForm.RunBusy(UndoCaption, [&] {
        FForm.QxImage1().Convolve3x3(kernel.Kernel, kernel.Divisor, false);
        return true;
    });
    // A filter that failed on the picture is not remembered.
    if (ran) {
        TIniFile ini(SettingsPath());
        ini.WriteString(kSection, kKey, effects::FormatCustomFilter(filter));
        ini.UpdateFile();
    }
    accept();
}

void TZVfrmCustomFilter::SaveClick() {
    const std::optional<effects::TCustomFilter> filter = ShownFilter();
    if (!filter) return;
    const QString path = SaveFileHook ? SaveFileHook() : QString();
    if (path.isEmpty()) return;
    QFile file(path);
    const QByteArray line = QByteArray::fromStdString(effects::FormatCustomFilter(*filter) + "\n");
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(line) != line.size()) {
        ErrorHook(QStringLiteral("Cannot create file \"%1\"").arg(path));
    }
}

bool TZVfrmCustomFilter::LoadClick() {
    const QString path = OpenFileHook ? OpenFileHook() : QString();
    if (path.isEmpty()) return false;
    QFile file(path);
    std::optional<effects::TCustomFilter> filter;
    if (file.open(QIODevice::ReadOnly) && file.size() <= kMaxFileBytes)
        filter = effects::ParseCustomFilter(file.readAll().toStdString());
    if (!filter) {
        ErrorHook(QCoreApplication::translate("TZVfrmCustomFilter", kCannotRead));
        return false;
    }
    SetFilter(*filter);
    return true;
}

}  // namespace zelvo
