#include "core/views/state_map_svg.h"

#include <string>

namespace tarvel {

namespace {

// Sizes in SVG user units (pixels at 100%).
constexpr int Margin = 16;
constexpr int TileSize = 52;
constexpr int TileStep = 56;
constexpr int MapTop = 126;
constexpr int Width = 2 * Margin + MapColumns * TileStep;
constexpr int LegendTop = MapTop + MapRows * TileStep + 16;
constexpr int LegendLine = 18;
constexpr int SwatchSize = 14;
constexpr int Height = LegendTop + (MapClassCount + 2) * LegendLine + Margin;
constexpr int FigureFontSize = 9;
constexpr const char *HatchId = "withheld";

std::string Number(int value)
{
    return std::to_string(value);
}

std::string Text(int x, int y, int size, std::string_view text, std::string_view extra = {})
{
    std::string line = "<text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" font-size=\"" + Number(size) + "\"";
    if (!extra.empty())
        line += " " + std::string(extra);
    return line + ">" + XmlEscaped(text) + "</text>\n";
}

// Whether a figure's text fits on a tile in the figure font: in a
// sans-serif font a digit is about 0.64 of the size wide, a comma or a
// point half that.
bool FitsOnTile(std::string_view text)
{
    double width = 0.0;
    for (const char c : text)
        width += c == ',' || c == '.' ? 0.32 : 0.64;
    return width * FigureFontSize <= TileSize - 4;
}

std::string Fill(const StateMap &map, const MapTile &tile)
{
    if (tile.Value.IsWithheld())
        return std::string("url(#") + HatchId + ")";
    return ClassColour(map, tile.Class).Hex();
}

std::string TileElement(const StateMap &map, const MapTile &tile)
{
    const int x = Margin + tile.Column * TileStep;
    const int y = MapTop + tile.Row * TileStep;
    const MapColour background = tile.Value.IsWithheld() || tile.Class == 0 ? NoClassColour()
                                                                            : ClassColour(map, tile.Class);
    const std::string ink = "fill=\"" + TextColourOn(background).Hex() + "\" text-anchor=\"middle\"";
    std::string g = "<g class=\"tile\" data-code=\"" + XmlEscaped(tile.Code) + "\" data-class=\"" + Number(tile.Class)
        + "\">\n";
    g += "<title>" + XmlEscaped(TileTitle(tile, map.ColumnLabel)) + "</title>\n";
    g += "<rect x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" width=\"" + Number(TileSize) + "\" height=\""
        + Number(TileSize) + "\" rx=\"3\" fill=\"" + Fill(map, tile) + "\" stroke=\"#ffffff\"/>\n";
    const int middle = x + TileSize / 2;
    g += Text(middle, y + 22, 14, tile.Abbreviation, ink + " font-weight=\"bold\"");
    // A withheld figure always shows its marker: that is all it has.
    if (FitsOnTile(tile.Text))
        g += Text(middle, y + 40, FigureFontSize, tile.Text, ink);
    return g + "</g>\n";
}

std::string SummaryText(const MapSummary &summary, const std::string &label)
{
    return summary.Name + ", " + label + ": " + summary.Text;
}

std::string TitleBlock(const StateMap &map)
{
    std::string block = "<g class=\"title-block\">\n";
    // A computed view's caption ends in " ~ " and what was computed: that
    // part stands on the units line, so neither line runs off the picture.
    const std::size_t tilde = map.Caption.find(" ~ ");
    const std::string caption = map.Caption.substr(0, tilde);
    std::string units = tilde == std::string::npos ? map.UnitsLabel : map.Caption.substr(tilde + 3);
    const int captionSize = static_cast<double>(caption.size()) * 0.62 * 16 <= Width - 2 * Margin ? 16 : 12;
    block += Text(Margin, 28, captionSize, caption, "class=\"caption\" font-weight=\"bold\"");
    block += Text(Margin, 47, 12, units, "class=\"units\"");
    if (!map.ValueUnit.empty())
        block += Text(Margin, 62, 10, map.ValueUnit, "class=\"value-unit\"");
    if (map.Nation)
        block += Text(Margin, 80, 12, SummaryText(*map.Nation, map.ColumnLabel), "class=\"nation\"");
    // The regions in two lines of four.
    for (std::size_t i = 0; i < map.Regions.size(); ++i) {
        const MapSummary &region = map.Regions[i];
        const int x = Margin + static_cast<int>(i % 4) * (Width - 2 * Margin) / 4;
        const int y = 97 + static_cast<int>(i / 4) * 14;
        block += Text(x, y, 10, region.Name + ": " + region.Text,
                      "class=\"region\" data-code=\"" + XmlEscaped(region.Code) + "\"");
    }
    return block + "</g>\n";
}

std::string Swatch(int x, int y, const std::string &fill)
{
    return "<rect x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" width=\"" + Number(SwatchSize) + "\" height=\""
        + Number(SwatchSize) + "\" fill=\"" + fill + "\" stroke=\"#7f7f7f\" stroke-width=\"0.5\"/>\n";
}

std::string Legend(const StateMap &map)
{
    std::string legend = "<g class=\"legend\">\n";
    int y = LegendTop;
    if (map.ShownCount > 0 || map.FixedBreaks) {
        for (int cls = 1; cls <= MapClassCount; ++cls) {
            legend += Swatch(Margin, y, ClassColour(map, cls).Hex());
            legend += Text(Margin + SwatchSize + 6, y + 11, 10, ClassRangeText(map, cls),
                           "class=\"class-range\" data-class=\"" + Number(cls) + "\"");
            y += LegendLine;
        }
    }
    legend += Swatch(Margin, y, std::string("url(#") + HatchId + ")");
    std::string note = "(D) not shown to avoid disclosure; (N) not available";
    note += map.FixedBreaks ? "; classes fixed by the caller" : "; classes by fifths of the states shown";
    legend += Text(Margin + SwatchSize + 6, y + 11, 10, note, "class=\"note\"");
    if (!map.Unplaced.empty()) {
        std::string names;
        for (const std::string &name : map.Unplaced)
            names += (names.empty() ? "" : ", ") + name;
        legend += Text(Margin, y + LegendLine + 11, 10, "Not on the map: " + names, "class=\"unplaced\"");
    }
    return legend + "</g>\n";
}

} // namespace

std::string XmlEscaped(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&apos;";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n')
                escaped += '?';
            else
                escaped += c;
        }
    }
    return escaped;
}

std::string StateMapSvg(const StateMap &map)
{
    std::string svg = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + Number(Width) + "\" height=\""
        + Number(Height) + "\" viewBox=\"0 0 " + Number(Width) + " " + Number(Height)
        + "\" font-family=\"DejaVu Sans, Liberation Sans, Arial, sans-serif\">\n";
    svg += "<title>" + XmlEscaped(map.Caption) + "</title>\n";
    svg += "<defs>\n<pattern id=\"" + std::string(HatchId)
        + "\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\" patternTransform=\"rotate(45)\">\n"
          "<rect width=\"6\" height=\"6\" fill=\""
        + NoClassColour().Hex()
        + "\"/>\n<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"6\" stroke=\"#8c8c8c\" stroke-width=\"2\"/>\n"
          "</pattern>\n</defs>\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    svg += TitleBlock(map);
    svg += "<g class=\"tiles\">\n";
    for (const MapTile &tile : map.Tiles)
        svg += TileElement(map, tile);
    svg += "</g>\n";
    svg += Legend(map);
    return svg + "</svg>\n";
}

} // namespace tarvel
