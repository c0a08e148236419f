#include "document/TextPdf.h"

#include <cstdio>

#include "document/FileAccess.h"

namespace TextPdf {

namespace {

/// A PDF string literal: parentheses and backslashes escaped, only printable ASCII.
std::string Literal(const std::string& text) {
    std::string out = "(";
    for (unsigned char c : text) {
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else if (c == '\t') {
            out += ' ';
        } else {
            out += '?';
        }
    }
    return out + ")";
}

std::string Number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

}  // namespace

int LinesPerPage() {
    return static_cast<int>((kPageHeight - 2 * kMargin) / kLeading) - 2;  // header and a gap
}

std::string Make(const std::vector<std::string>& lines, const std::string& title) {
    const std::string header = lines.empty() ? std::string() : lines.front();
    std::vector<std::string> body(lines.empty() ? lines.begin() : lines.begin() + 1, lines.end());
    const int perPage = LinesPerPage();
    const int pages = body.empty() ? 1 : static_cast<int>((body.size() + perPage - 1) / perPage);

    // Objects: 1 catalog, 2 pages, 3 font, 4 info, then a page and its contents per page.
    std::vector<std::string> objects(4 + 2 * pages);
    objects[0] = "<< /Type /Catalog /Pages 2 0 R >>";
    std::string kids;
    for (int p = 0; p < pages; ++p) kids += std::to_string(5 + 2 * p) + " 0 R ";
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
    objects[2] = "<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >>";
    objects[3] = "<< /Title " + Literal(title) + " /Producer (VEGAL 25 Tuner) >>";
    for (int p = 0; p < pages; ++p) {
        std::string content = "BT\n/F1 " + Number(kFontSize) + " Tf\n" + Number(kLeading) +
                              " TL\n" + Number(kMargin) + " " +
                              Number(kPageHeight - kMargin - kFontSize) + " Td\n";
        content += Literal(header) + " Tj\nT*\nT*\n";
        for (int i = p * perPage; i < static_cast<int>(body.size()) && i < (p + 1) * perPage; ++i)
            content += Literal(body[i]) + " Tj\nT*\n";
        content += "ET\n";
        objects[4 + 2 * p] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + Number(kPageWidth) +
                             " " + Number(kPageHeight) +
                             "] /Resources << /Font << /F1 3 0 R >> >> /Contents " +
                             std::to_string(6 + 2 * p) + " 0 R >>";
        objects[5 + 2 * p] = "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" +
                             content + "endstream";
    }

    std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t off : offsets) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%010zu 00000 n \n", off);
        pdf += buf;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R /Info 4 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

bool Write(const std::string& path, const std::vector<std::string>& lines, const std::string& title,
           std::string& error) {
    const std::string pdf = Make(lines, title);
    if (FileAccess::ReplaceFile(path, {pdf.begin(), pdf.end()}, error))
        return true;
    error = path + ": cannot be written (" + error + ")";
    return false;
}

}  // namespace TextPdf
