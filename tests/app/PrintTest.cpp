// Printing: the scale and fit of a picture on the page, checked on the
// page rendered back from a PDF printer, the job name, and the missing
// printer.

#include <gtest/gtest.h>

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <cstdio>
#include <cstdlib>

#include "AppTestSupport.h"
#include "SaneTestSupport.h"
#include "TestSupport.h"
#include "app/devices/DeviceCommands.h"
#include "app/devices/DibPrinter.h"
#include "document/QxImage.h"

namespace zelvo {

namespace {

namespace fs = std::filesystem;

TEST(PrintSizeTest, ScaleAndFit) {
    struct TCase {
        int W, H, Dpi, Ppi, PageW, PageH, WantW, WantH;
    };
    const TCase cases[] = {
        {100, 100, 600, 96, 4800, 6600, 600, 600},     // 600 div 96 = 6
        {2000, 1000, 600, 96, 4800, 6600, 4800, 2400},  // 12000 x 6000 fitted to the width
        {1000, 2000, 600, 96, 4800, 6600, 3300, 6600},  // 6000 x 12000 fitted to the height
        {100, 100, 72, 96, 576, 792, 100, 100},        // coarser than the screen: still 1, never 0
        {300, 200, 300, 96, 2400, 3300, 900, 600},     // 300 div 96 = 3
        {3, 1, 600, 96, 10, 100, 10, 3},               // round(10 / 3 x 1) = 3
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.W) + "x" + std::to_string(c.H) + " at " + std::to_string(c.Dpi));
        const TPrintSize size = PrintSize(c.W, c.H, c.Dpi, c.Ppi, c.PageW, c.PageH);
        EXPECT_EQ(size.Width, c.WantW);
        EXPECT_EQ(size.Height, c.WantH);
    }
}

/// A PDF printer at 600 dpi with a whole 8 x 11 inch page printable:
/// 4800 x 6600 device pixels.
std::unique_ptr<TDibPrinter> PdfPrinter(const fs::path& file) {
    auto printer = std::make_unique<TDibPrinter>(QString::fromStdString(file.string()));
    printer->Printer().setResolution(600);
    printer->Printer().setPageLayout(QPageLayout(QPageSize(QSizeF(8, 11), QPageSize::Inch), QPageLayout::Portrait,
                                                 QMarginsF(0, 0, 0, 0)));
    return printer;
}

/// The red rectangle on page 1 rendered at 60 dpi (a tenth of the device
/// resolution): its right and bottom edges, exclusive.
std::pair<int, int> RedExtent(const fs::path& pdf) {
    const fs::path stem = pdf.parent_path() / (pdf.stem().string() + "-page");
    const std::string command = "pdftoppm -r 60 -f 1 -l 1 -singlefile '" + pdf.string() + "' '" + stem.string() + "'";
    if (std::system(command.c_str()) != 0) return {-1, -1};
    const test::TPnmPixels page = test::ReadScanimagePnm(stem.string() + ".ppm");
    EXPECT_EQ(page.Width, 480);
    EXPECT_EQ(page.Height, 660);
    int right = 0, bottom = 0;
    for (int y = 0; y < page.Height; ++y)
        for (int x = 0; x < page.Width; ++x) {
            const std::uint8_t* p = &page.Rgb[(std::size_t(y) * std::size_t(page.Width) + std::size_t(x)) * 3];
            if (p[0] > 200 && p[1] < 60 && p[2] < 60) {
                right = std::max(right, x + 1);
                bottom = std::max(bottom, y + 1);
            }
        }
    return {right, bottom};
}

TEST(PrintTest, RenderedPageShowsThePictureAtItsPrintSize) {
    struct TCase {
        int W, H, WantRight, WantBottom;  // at 60 dpi: a tenth of the device pixels
    };
    for (const TCase c : {TCase{100, 100, 60, 60}, TCase{2000, 1000, 480, 240}}) {
        SCOPED_TRACE(std::to_string(c.W) + "x" + std::to_string(c.H));
        const fs::path pdf = test::AppTestDir() / ("print-" + std::to_string(c.W) + ".pdf");
        auto printer = PdfPrinter(pdf);
        ASSERT_EQ(printer->PageWidth(), 4800);
        ASSERT_EQ(printer->PageHeight(), 6600);
        ASSERT_EQ(printer->YDpi(), 600);
        TBitmap picture;
        picture.Assign(test::FlatImage24(c.W, c.H, 0x0000FF));  // red
        PrintPicture(*printer, picture, QStringLiteral("Zelvo - print.bmp"), 96);
        const auto [right, bottom] = RedExtent(pdf);
        EXPECT_NEAR(right, c.WantRight, 1);
        EXPECT_NEAR(bottom, c.WantBottom, 1);
    }
}

TEST(PrintTest, JobIsNamedAfterTheWindowCaption) {
    auto form = test::WindowWithSample(20, 10, "job-name.bmp");
    const fs::path pdf = test::AppTestDir() / "job.pdf";
    auto printer = PdfPrinter(pdf);
    PrintImage(*form, *printer);
    const fs::path info = test::AppTestDir() / "job.txt";
    ASSERT_EQ(std::system(("pdfinfo '" + pdf.string() + "' > '" + info.string() + "'").c_str()), 0);
    std::ifstream in(info);
    std::string line, title;
    while (std::getline(in, line))
        if (line.starts_with("Title:")) title = line.substr(line.find_first_not_of(' ', 6));
    EXPECT_EQ(title, form->windowTitle().toStdString());
}

TEST(PrintTest, WithoutAPrinterQueriesSayNoPrinterAndPrintingIsSilent) {
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) GTEST_SKIP() << "this machine has a printer";
    TDibPrinter printer;
    EXPECT_FALSE(printer.Exists());
    for (auto query : {&TDibPrinter::PageWidth, &TDibPrinter::PageHeight, &TDibPrinter::XDpi, &TDibPrinter::YDpi}) {
        try {
            (printer.*query)();
            ADD_FAILURE() << "no exception";
        } catch (const EPrinterError& e) {
            EXPECT_TRUE(std::string(e.what()).ends_with("No Printer"));
        }
    }
    auto form = test::WindowWithSample(4, 4, "no-printer.bmp");
    PrintImage(*form, printer);  // no message box, no exception
}

}  // namespace
}  // namespace zelvo
