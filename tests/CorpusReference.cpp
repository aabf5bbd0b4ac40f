#include "CorpusReference.h"

#include <fstream>
#include <sstream>

#include "TestSupport.h"
#include "reference/Sha256.h"

namespace zelvo::test {

std::vector<CorpusEntry> LoadCorpusReference(const std::string& prefix) {
    std::vector<CorpusEntry> rows;
    std::ifstream in(CorpusDir() / "REFERENCE.tsv");
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::vector<std::string> cols;
        std::stringstream ss(line);
        std::string col;
        while (std::getline(ss, col, '\t')) cols.push_back(col);
        if (cols.size() < 8 || cols[0].rfind(prefix, 0) != 0) continue;
        CorpusEntry e;
        e.file = cols[0];
        e.image = cols[1];
        e.width = cols[2] == "-" ? 0 : std::stoi(cols[2]);
        e.height = cols[3] == "-" ? 0 : std::stoi(cols[3]);
        e.sha256 = cols[4];
        e.sha256Rgb = cols[5];
        e.cls = cols[6];
        e.agreement = cols[7];
        rows.push_back(e);
    }
    return rows;
}

std::vector<std::uint8_t> RgbRows(const TDibImage& image) {
    std::vector<std::uint8_t> out;
    out.reserve(std::size_t(image.Width()) * std::size_t(image.Height()) * 3);
    const int bits = image.BitCount();
    const TRGBQuad* table = image.ColorTable();
    for (int y = 0; y < image.Height(); ++y) {
        const std::uint8_t* row = image.ScanLineRead(y);
        for (int x = 0; x < image.Width(); ++x) {
            if (bits == 24) {
                out.push_back(row[3 * x + 2]);
                out.push_back(row[3 * x + 1]);
                out.push_back(row[3 * x]);
                continue;
            }
            unsigned index = 0;
            if (bits == 8) index = row[x];
            if (bits == 4) index = (x & 1) ? (row[x >> 1] & 15) : (row[x >> 1] >> 4);
            if (bits == 1) index = (row[x >> 3] >> (7 - (x & 7))) & 1;
            const TRGBQuad q = table[index & 255];
            out.push_back(q.rgbRed);
            out.push_back(q.rgbGreen);
            out.push_back(q.rgbBlue);
        }
    }
    return out;
}

std::string RgbSha256(const TDibImage& image) { return Sha256Hex(RgbRows(image)); }

}  // namespace zelvo::test
