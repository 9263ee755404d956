#include "sample_data.h"

#include "core/catalog/table_catalog.h"
#include "core/version.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace tarvel::sample {
namespace {

namespace fs = std::filesystem;

// Every table's quarters lie within 1948.1 .. 2008.1; t counts them from 0.
constexpr int BaseYear = 1948;
constexpr int QuarterSpan = 241;
constexpr int StateCount = 51;
constexpr int AreaTotal = 60;
constexpr int FirstRegionArea = 52; // 0-based index of area 53
constexpr std::string_view UnusedField = "  SA";

// ---------------------------------------------------------------- areas

struct StateRow {
    const char *code;
    const char *name;
    const char *abbreviation;
    char region;
    int income; ///< personal income of 2008 in billions of dollars, roughly
};

constexpr std::array<StateRow, StateCount> States{{
    {"01", "Alabama", "AL", '5', 158},        {"02", "Alaska", "AK", '8', 30},
    {"04", "Arizona", "AZ", '6', 218},        {"05", "Arkansas", "AR", '5', 90},
    {"06", "California", "CA", '8', 1600},    {"08", "Colorado", "CO", '7', 205},
    {"09", "Connecticut", "CT", '1', 200},    {"10", "Delaware", "DE", '2', 35},
    {"11", "District of Columbia", "DC", '2', 40}, {"12", "Florida", "FL", '5', 730},
    {"13", "Georgia", "GA", '5', 330},        {"15", "Hawaii", "HI", '8', 55},
    {"16", "Idaho", "ID", '7', 48},           {"17", "Illinois", "IL", '3', 540},
    {"18", "Indiana", "IN", '3', 215},        {"19", "Iowa", "IA", '4', 105},
    {"20", "Kansas", "KS", '4', 105},         {"21", "Kentucky", "KY", '5', 135},
    {"22", "Louisiana", "LA", '5', 155},      {"23", "Maine", "ME", '1', 47},
    {"24", "Maryland", "MD", '2', 265},       {"25", "Massachusetts", "MA", '1', 330},
    {"26", "Michigan", "MI", '3', 340},       {"27", "Minnesota", "MN", '4', 220},
    {"28", "Mississippi", "MS", '5', 85},     {"29", "Missouri", "MO", '4', 205},
    {"30", "Montana", "MT", '7', 33},         {"31", "Nebraska", "NE", '4', 66},
    {"32", "Nevada", "NV", '8', 100},         {"33", "New Hampshire", "NH", '1', 55},
    {"34", "New Jersey", "NJ", '2', 450},     {"35", "New Mexico", "NM", '6', 62},
    {"36", "New York", "NY", '2', 950},       {"37", "North Carolina", "NC", '5', 310},
    {"38", "North Dakota", "ND", '4', 24},     {"39", "Ohio", "OH", '3', 405},
    {"40", "Oklahoma", "OK", '6', 125},       {"41", "Oregon", "OR", '8', 135},
    {"42", "Pennsylvania", "PA", '2', 500},   {"44", "Rhode Island", "RI", '1', 42},
    {"45", "South Carolina", "SC", '5', 140}, {"46", "South Dakota", "SD", '4', 30},
    {"47", "Tennessee", "TN", '5', 210},      {"48", "Texas", "TX", '6', 900},
    {"49", "Utah", "UT", '7', 80},            {"50", "Vermont", "VT", '1', 24},
    {"51", "Virginia", "VA", '5', 350},       {"53", "Washington", "WA", '8', 280},
    {"54", "West Virginia", "WV", '5', 55},   {"55", "Wisconsin", "WI", '3', 205},
    {"56", "Wyoming", "WY", '7', 25},
}};

constexpr int DistrictOfColumbia = 8; // index into States

struct RegionRow {
    const char *name;
    const char *abbreviation;
    double drift; ///< extra quarterly growth of its states
};

constexpr std::array<RegionRow, 8> Regions{{
    {"New England", "NENG", -0.0008}, {"Mideast", "MIDE", -0.0012},
    {"Great Lakes", "GLAK", -0.0014}, {"Plains", "PLNS", -0.0008},
    {"Southeast", "SEST", 0.0012},    {"Southwest", "SWST", 0.0016},
    {"Rocky Mountain", "RKMT", 0.0012}, {"Far West", "FWST", 0.0012},
}};

std::string Fit(std::string_view text, std::size_t width)
{
    std::string out(text.substr(0, width));
    out.resize(width, ' ');
    return out;
}

// --------------------------------------------------------------- random

// splitmix64: the same bytes from the same seed with every compiler and
// library, unlike the standard distributions.
constexpr std::uint64_t Mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// Each number is a hash of its purpose and indices, so a table's values do
// not depend on which other tables are written or in what order.
enum Stream : std::uint64_t {
    NationGrowth = 1, StateGrowth, Drift, ResidenceShare, DividendShare, TransferShare,
    FarmShare, FarmSwing, ProprietorShare, GovernmentShare, GovernmentSplit,
    IndustryMix, QuarterNoise, Withheld,
};

class Random {
public:
    explicit Random(std::uint32_t seed) : m_seed(Mix(seed)) {}
    /// [0, 1)
    double Unit(Stream stream, std::uint64_t a = 0, std::uint64_t b = 0) const
    {
        const std::uint64_t h = Mix(Mix(Mix(m_seed ^ stream) ^ a) ^ b);
        return static_cast<double>(h >> 11) * 0x1.0p-53;
    }
    /// [-1, 1)
    double Signed(Stream stream, std::uint64_t a = 0, std::uint64_t b = 0) const
    {
        return 2.0 * Unit(stream, a, b) - 1.0;
    }
    double Range(double low, double high, Stream stream, std::uint64_t a = 0, std::uint64_t b = 0) const
    {
        return low + (high - low) * Unit(stream, a, b);
    }

private:
    std::uint64_t m_seed;
};

// ---------------------------------------------------------------- model

enum Item {
    PersonalIncome, NonfarmIncome, FarmEarnings, Earnings, Contributions,
    EmployeeContributions, EmployerContributions, Adjustment, NetEarnings, Dividends,
    Transfers, Wages, Supplements, PensionFunds, SocialInsurance, Proprietors,
    FarmProprietors, NonfarmProprietors, ItemCount
};

enum class Basis { Earnings, Compensation, Wages };
enum class Classification { None, Naics, Sic };

// Industry leaves: farm first, the private industries, then federal
// civilian, military, state and local government last.
struct LeafProfile {
    double share1948; ///< share of private nonfarm earnings
    double share2008;
    double wageShare; ///< compensation per dollar of earnings
    double spread;    ///< how far a state's share strays from the nation's
};

constexpr int NaicsLeaves = 24;
constexpr int SicLeaves = 14;
constexpr int MaxLeaves = NaicsLeaves;

constexpr std::array<LeafProfile, NaicsLeaves> NaicsProfile{{
    {0, 0, 0, 0},
    {0.006, 0.004, 0.85, 0.8},  {0.020, 0.012, 0.90, 3.5},  {0.012, 0.009, 0.95, 0.4},
    {0.060, 0.075, 0.78, 0.3},  {0.160, 0.080, 0.97, 0.6},  {0.100, 0.045, 0.97, 0.6},
    {0.070, 0.065, 0.93, 0.3},  {0.090, 0.065, 0.90, 0.2},  {0.045, 0.035, 0.90, 0.4},
    {0.040, 0.035, 0.95, 0.5},  {0.045, 0.075, 0.92, 0.6},  {0.012, 0.020, 0.45, 0.5},
    {0.050, 0.110, 0.85, 0.6},  {0.015, 0.025, 0.98, 0.6},  {0.020, 0.040, 0.92, 0.4},
    {0.007, 0.013, 0.96, 0.6},  {0.050, 0.110, 0.88, 0.3},  {0.007, 0.010, 0.80, 0.8},
    {0.025, 0.030, 0.90, 0.5},  {0.035, 0.030, 0.80, 0.3},
    {0, 0, 1, 0}, {0, 0, 1, 0}, {0, 0, 1, 0},
}};

constexpr std::array<LeafProfile, SicLeaves> SicProfile{{
    {0, 0, 0, 0},
    {0.006, 0.008, 0.85, 0.8},  {0.030, 0.012, 0.90, 3.5},  {0.065, 0.070, 0.78, 0.3},
    {0.170, 0.100, 0.97, 0.6},  {0.120, 0.060, 0.97, 0.6},  {0.090, 0.070, 0.93, 0.4},
    {0.070, 0.065, 0.93, 0.3},  {0.110, 0.090, 0.90, 0.2},  {0.050, 0.090, 0.80, 0.6},
    {0.120, 0.300, 0.86, 0.3},
    {0, 0, 1, 0}, {0, 0, 1, 0}, {0, 0, 1, 0},
}};

constexpr int MiningLeaf = 2; // the same index in both classifications

using Leaves = std::array<double, MaxLeaves>;

struct Economy {
    std::array<double, ItemCount> item{};
    std::array<Leaves, 3> naics{}; ///< by Basis
    std::array<Leaves, 3> sic{};
};

struct StateParams {
    std::array<double, QuarterSpan> income{};
    double adjustment = 0;
    double dividends = 1;
    double transfers = 1;
    double farm = 1;
    double proprietors = 1;
    double government = 1;
    std::array<double, 3> governmentSplit{};
    Leaves naicsMix{};
    Leaves sicMix{};
};

double EraGrowth(int t)
{
    const int year = BaseYear + t / 4;
    if (year < 1970)
        return 0.0155;
    if (year < 1983)
        return 0.025;
    if (year < 2001)
        return 0.0145;
    return 0.011;
}

// Only +, -, * and / on doubles below: their results are the same on every
// IEEE machine, so the written bytes do not depend on the maths library.
class Model {
public:
    explicit Model(std::uint32_t seed) : m_random(seed)
    {
        double weighted = 0;
        double total = 0;
        for (int s = 0; s < StateCount; ++s) {
            const auto u = static_cast<std::uint64_t>(s);
            auto &p = m_states[static_cast<std::size_t>(s)];
            const StateRow &row = States[static_cast<std::size_t>(s)];
            const double drift = Regions[static_cast<std::size_t>(row.region - '1')].drift
                + 0.0008 * m_random.Signed(Drift, u);
            p.income[QuarterSpan - 1] = row.income * 1000.0 * m_random.Range(0.97, 1.03, Drift, u, 1);
            for (int t = QuarterSpan - 1; t > 0; --t) {
                const double g = EraGrowth(t) + 0.006 * m_random.Signed(NationGrowth, 0, static_cast<std::uint64_t>(t))
                    + drift + 0.003 * m_random.Signed(StateGrowth, u, static_cast<std::uint64_t>(t));
                p.income[static_cast<std::size_t>(t - 1)] = p.income[static_cast<std::size_t>(t)] / (1.0 + g);
            }
            p.adjustment = m_random.Range(-0.04, 0.06, ResidenceShare, u);
            p.dividends = m_random.Range(0.8, 1.3, DividendShare, u);
            p.transfers = m_random.Range(0.8, 1.3, TransferShare, u);
            p.farm = m_random.Range(0.1, 2.4, FarmShare, u);
            p.proprietors = m_random.Range(0.8, 1.2, ProprietorShare, u);
            p.government = m_random.Range(0.75, 1.4, GovernmentShare, u);
            for (std::size_t i = 0; i < 3; ++i)
                p.governmentSplit[i] = m_random.Range(0.6, 1.6, GovernmentSplit, u, i);
            for (std::size_t i = 0; i < MaxLeaves; ++i) {
                const double n = m_random.Signed(IndustryMix, u, i);
                const double m = m_random.Signed(IndustryMix, u, 100 + i);
                p.naicsMix[i] = 1.0 + (i < NaicsLeaves ? NaicsProfile[i].spread : 0) * n * n * n + 0.25 * n;
                p.sicMix[i] = 1.0 + (i < SicLeaves ? SicProfile[i].spread : 0) * m * m * m + 0.25 * m;
            }
            if (s == DistrictOfColumbia) {
                // Commuters earn much of the District's income: a large negative
                // adjustment for residence, a big government, no farms.
                p.adjustment = -0.55;
                p.farm = 0.002;
                p.government = 2.6;
            }
            weighted += p.adjustment * row.income;
            total += row.income;
        }
        // The nation's adjustment for residence is close to nothing.
        for (auto &p : m_states)
            p.adjustment -= weighted / total;
    }

    const Random &Rand() const { return m_random; }

    Economy At(int state, int t) const
    {
        const auto &p = m_states[static_cast<std::size_t>(state)];
        const double tau = t / 240.0;
        const auto key = static_cast<std::uint64_t>(state) * 1000 + static_cast<std::uint64_t>(t);
        auto wobble = [&](std::uint64_t k, double size) {
            return 1.0 + size * m_random.Signed(QuarterNoise, key, k);
        };

        Economy e;
        auto &v = e.item;
        const double income = p.income[static_cast<std::size_t>(t)];
        v[PersonalIncome] = income;
        v[Dividends] = income * (0.12 + 0.05 * tau) * p.dividends * wobble(0, 0.01);
        v[Transfers] = income * (0.05 + 0.11 * tau) * p.transfers * wobble(1, 0.01);
        v[NetEarnings] = income - v[Dividends] - v[Transfers];

        // Shares of earnings by place of work; farm proprietors' income swings
        // with the harvest and turns negative now and then.
        const double farmBase = (0.10 - 0.088 * tau) * p.farm;
        const double swing = m_random.Signed(FarmSwing, key);
        const double farmComp = 0.3 * farmBase;
        const double farmProp = farmBase * (0.6 + 0.9 * swing * swing * swing);
        const double nonfarmProp = (0.12 - 0.04 * tau) * p.proprietors * wobble(2, 0.02);
        const double comp = 1.0 - farmProp - nonfarmProp;
        const double supp = (0.05 + 0.15 * tau) * wobble(3, 0.01);
        const double employer = comp * supp * 0.3;
        const double employee = employer * 1.05;

        const double earnings = v[NetEarnings] / (1.0 - employer - employee + p.adjustment);
        v[Earnings] = earnings;
        v[EmployerContributions] = employer * earnings;
        v[EmployeeContributions] = employee * earnings;
        v[Contributions] = v[EmployerContributions] + v[EmployeeContributions];
        v[Adjustment] = p.adjustment * earnings;
        v[FarmEarnings] = (farmComp + farmProp) * earnings;
        v[NonfarmIncome] = income - v[FarmEarnings];
        v[FarmProprietors] = farmProp * earnings;
        v[NonfarmProprietors] = nonfarmProp * earnings;
        v[Proprietors] = v[FarmProprietors] + v[NonfarmProprietors];
        v[Supplements] = comp * supp * earnings;
        v[Wages] = comp * earnings - v[Supplements];
        v[SocialInsurance] = v[EmployerContributions];
        v[PensionFunds] = v[Supplements] - v[SocialInsurance];

        const double government = earnings * (0.13 + 0.04 * tau) * p.government * wobble(4, 0.01);
        std::array<double, 3> split{(0.30 - 0.05 * tau) * p.governmentSplit[0],
                                    (0.22 - 0.10 * tau) * p.governmentSplit[1],
                                    (0.48 + 0.15 * tau) * p.governmentSplit[2]};
        const double splitSum = split[0] + split[1] + split[2];
        for (auto &x : split)
            x = government * x / splitSum;

        const double privateEarnings = earnings - v[FarmEarnings] - government;
        const double privateComp = privateEarnings - v[NonfarmProprietors];
        const double wageRate = 1.0 - supp;
        FillLeaves(e.naics, NaicsProfile.data(), NaicsLeaves, p.naicsMix, tau, key, 0,
                   v[FarmEarnings], farmComp * earnings, split, privateEarnings, privateComp, wageRate);
        FillLeaves(e.sic, SicProfile.data(), SicLeaves, p.sicMix, tau, key, 50,
                   v[FarmEarnings], farmComp * earnings, split, privateEarnings, privateComp, wageRate);
        return e;
    }

private:
    void FillLeaves(std::array<Leaves, 3> &out, const LeafProfile *profile, int count,
                    const Leaves &mix, double tau, std::uint64_t key, std::uint64_t salt,
                    double farm, double farmComp, const std::array<double, 3> &government,
                    double privateEarnings, double privateComp, double wageRate) const
    {
        Leaves weight{};
        Leaves compWeight{};
        double weightSum = 0;
        double compSum = 0;
        for (int i = 1; i < count - 3; ++i) {
            const auto u = static_cast<std::size_t>(i);
            const LeafProfile &leaf = profile[u];
            weight[u] = (leaf.share1948 + (leaf.share2008 - leaf.share1948) * tau) * mix[u]
                * (1.0 + 0.03 * m_random.Signed(QuarterNoise, key, salt + 10 + u));
            compWeight[u] = weight[u] * leaf.wageShare;
            weightSum += weight[u];
            compSum += compWeight[u];
        }
        auto &earn = out[static_cast<std::size_t>(Basis::Earnings)];
        auto &comp = out[static_cast<std::size_t>(Basis::Compensation)];
        auto &wages = out[static_cast<std::size_t>(Basis::Wages)];
        earn[0] = farm;
        comp[0] = farmComp;
        for (int i = 1; i < count - 3; ++i) {
            const auto u = static_cast<std::size_t>(i);
            earn[u] = privateEarnings * weight[u] / weightSum;
            comp[u] = privateComp * compWeight[u] / compSum;
        }
        for (std::size_t g = 0; g < 3; ++g) {
            const auto u = static_cast<std::size_t>(count - 3) + g;
            earn[u] = government[g];
            comp[u] = government[g];
        }
        for (int i = 0; i < count; ++i)
            wages[static_cast<std::size_t>(i)] = comp[static_cast<std::size_t>(i)] * wageRate;
    }

    Random m_random;
    std::array<StateParams, StateCount> m_states{};
};

// ---------------------------------------------------------------- lines

struct LineDef {
    std::string title;
    int item = -1;           ///< an Item, or -1 for an industry line
    std::uint32_t mask = 0;  ///< industry leaves summed
    bool mayWithhold = false;
};

constexpr std::uint32_t Bit(int i) { return 1U << i; }

// An industry row: its depth in tables that show the farm / nonfarm /
// private totals, and in the wage tables that leave them out.
struct IndustryRow {
    const char *name;
    std::uint32_t mask;
    int depth;
    int shortDepth;
    int kind; ///< 0 industry, 1 farm, 2 nonfarm total, 3 private total
    int sicSet; ///< SIC rows: 0 every table, 1 modern only, 2 historical only
};

constexpr std::uint32_t NaicsGovernment = Bit(21) | Bit(22) | Bit(23);
constexpr std::uint32_t NaicsPrivate = ((1U << 21) - 1) & ~1U;
constexpr std::array<IndustryRow, 28> NaicsRows{{
    {"Farm", Bit(0), 0, 0, 1, 0},
    {"Nonfarm", NaicsPrivate | NaicsGovernment, 0, 0, 2, 0},
    {"Private", NaicsPrivate, 1, 0, 3, 0},
    {"Forestry, fishing, related activities, and other", Bit(1), 2, 0, 0, 0},
    {"Mining", Bit(2), 2, 0, 0, 0},
    {"Utilities", Bit(3), 2, 0, 0, 0},
    {"Construction", Bit(4), 2, 0, 0, 0},
    {"Manufacturing", Bit(5) | Bit(6), 2, 0, 0, 0},
    {"Durable goods manufacturing", Bit(5), 3, 1, 0, 0},
    {"Nondurable goods manufacturing", Bit(6), 3, 1, 0, 0},
    {"Wholesale trade", Bit(7), 2, 0, 0, 0},
    {"Retail trade", Bit(8), 2, 0, 0, 0},
    {"Transportation and warehousing", Bit(9), 2, 0, 0, 0},
    {"Information", Bit(10), 2, 0, 0, 0},
    {"Finance and insurance", Bit(11), 2, 0, 0, 0},
    {"Real estate and rental and leasing", Bit(12), 2, 0, 0, 0},
    {"Professional, scientific, and technical services", Bit(13), 2, 0, 0, 0},
    {"Management of companies and enterprises", Bit(14), 2, 0, 0, 0},
    {"Administrative and waste management services", Bit(15), 2, 0, 0, 0},
    {"Educational services", Bit(16), 2, 0, 0, 0},
    {"Health care and social assistance", Bit(17), 2, 0, 0, 0},
    {"Arts, entertainment, and recreation", Bit(18), 2, 0, 0, 0},
    {"Accommodation and food services", Bit(19), 2, 0, 0, 0},
    {"Other services, except public administration", Bit(20), 2, 0, 0, 0},
    {"Government and government enterprises", NaicsGovernment, 1, 0, 0, 0},
    {"Federal, civilian", Bit(21), 2, 1, 0, 0},
    {"Military", Bit(22), 2, 1, 0, 0},
    {"State and local", Bit(23), 2, 1, 0, 0},
}};

constexpr std::uint32_t SicGovernment = Bit(11) | Bit(12) | Bit(13);
constexpr std::uint32_t SicPrivate = ((1U << 11) - 1) & ~1U;
constexpr std::array<IndustryRow, 19> SicRows{{
    {"Farm", Bit(0), 0, 0, 1, 0},
    {"Nonfarm", SicPrivate | SicGovernment, 0, 0, 2, 0},
    {"Private", SicPrivate, 1, 0, 3, 0},
    {"Agricultural services, forestry, and fishing", Bit(1), 2, 0, 0, 0},
    {"Mining", Bit(2), 2, 0, 0, 0},
    {"Construction", Bit(3), 2, 0, 0, 0},
    {"Manufacturing", Bit(4) | Bit(5), 2, 0, 0, 0},
    {"Durable goods", Bit(4), 3, 1, 0, 1},
    {"Nondurable goods", Bit(5), 3, 1, 0, 1},
    {"Transportation and public utilities", Bit(6), 2, 0, 0, 0},
    {"Wholesale trade", Bit(7), 2, 0, 0, 1},
    {"Retail trade", Bit(8), 2, 0, 0, 1},
    {"Wholesale and retail trade", Bit(7) | Bit(8), 2, 0, 0, 2},
    {"Finance, insurance, and real estate", Bit(9), 2, 0, 0, 0},
    {"Services", Bit(10), 2, 0, 0, 0},
    {"Government and government enterprises", SicGovernment, 1, 0, 0, 0},
    {"Federal, civilian", Bit(11), 2, 1, 0, 0},
    {"Military", Bit(12), 2, 1, 0, 0},
    {"State and local", Bit(13), 2, 1, 0, 0},
}};

struct ItemRow {
    const char *title;
    Item item;
};

constexpr std::array<ItemRow, 8> DerivationRows{{
    {"Earnings by place of work", Earnings},
    {"less: Contributions for government social insurance", Contributions},
    {"  Employee and self-employed contributions", EmployeeContributions},
    {"  Employer contributions for government social insurance", EmployerContributions},
    {"plus: Adjustment for residence", Adjustment},
    {"equals: Net earnings by place of residence", NetEarnings},
    {"plus: Dividends, interest, and rent", Dividends},
    {"plus: Personal current transfer receipts", Transfers},
}};

constexpr std::array<ItemRow, 7> ComponentRows{{
    {"Wage and salary disbursements", Wages},
    {"Supplements to wages and salaries", Supplements},
    {"  Employer contributions for pension and insurance funds", PensionFunds},
    {"  Employer contributions for government social insurance", SocialInsurance},
    {"Proprietors' income", Proprietors},
    {"  Farm proprietors' income", FarmProprietors},
    {"  Nonfarm proprietors' income", NonfarmProprietors},
}};

Classification ClassOf(std::string_view code)
{
    if (code == "ZR4" || code == "ZR1")
        return Classification::None;
    return code.back() == 'N' ? Classification::Naics : Classification::Sic;
}

Basis BasisOf(std::string_view code)
{
    if (code.substr(0, 3) == "ZR6")
        return Basis::Compensation;
    if (code.substr(0, 3) == "ZR7")
        return Basis::Wages;
    return Basis::Earnings;
}

void AddItem(std::vector<LineDef> &lines, std::string_view title, Item item)
{
    LineDef def;
    def.title = title;
    def.item = item;
    def.mayWithhold = item == FarmEarnings || item == FarmProprietors;
    lines.push_back(def);
}

template <std::size_t N>
void AddIndustries(std::vector<LineDef> &lines, const std::array<IndustryRow, N> &rows,
                   Basis basis, bool historical)
{
    const bool withTotals = basis != Basis::Wages;
    for (const auto &row : rows) {
        if (row.sicSet == (historical ? 1 : 2))
            continue;
        if (!withTotals && (row.kind == 2 || row.kind == 3))
            continue;
        std::string name = row.name;
        if (basis == Basis::Earnings && row.kind != 0)
            name += " earnings";
        else if (basis == Basis::Compensation && row.kind == 3)
            name += " industries";
        const int depth = withTotals ? row.depth : row.shortDepth;
        LineDef def;
        def.title = std::string(static_cast<std::size_t>(2 * depth), ' ') + name;
        def.mask = row.mask;
        def.mayWithhold = row.kind == 0 || row.kind == 1;
        lines.push_back(def);
    }
}

// The data lines of a table, in the order of its heading layout.
std::vector<LineDef> LineDefs(std::string_view code)
{
    std::vector<LineDef> lines;
    const Classification cls = ClassOf(code);
    const Basis basis = BasisOf(code);
    const bool historical = code.back() == 'H';
    if (code == "ZR1") {
        AddItem(lines, "Personal income", PersonalIncome);
    } else if (code == "ZR4") {
        AddItem(lines, "Personal income", PersonalIncome);
        AddItem(lines, "Nonfarm personal income", NonfarmIncome);
        AddItem(lines, "Farm earnings", FarmEarnings);
        for (const auto &row : DerivationRows)
            AddItem(lines, row.title, row.item);
        for (const auto &row : ComponentRows)
            AddItem(lines, row.title, row.item);
    } else if (basis == Basis::Earnings) {
        // Income by place of residence (1 line), derivation (10), components (7).
        AddItem(lines, "Personal income", PersonalIncome);
        for (const auto &row : DerivationRows)
            AddItem(lines, row.title, row.item);
        AddItem(lines, "Nonfarm personal income", NonfarmIncome);
        AddItem(lines, "Farm earnings", FarmEarnings);
        for (const auto &row : ComponentRows)
            AddItem(lines, row.title, row.item);
    } else if (basis == Basis::Compensation) {
        // Five lines above the heading "Compensation of employees by industry".
        AddItem(lines, "Compensation of employees", Wages);
        lines.back().item = -2; // wages plus supplements
        AddItem(lines, "Wage and salary disbursements", Wages);
        AddItem(lines, "Supplements to wages and salaries", Supplements);
        AddItem(lines, "  Employer contributions for pension and insurance funds", PensionFunds);
        AddItem(lines, "  Employer contributions for government social insurance", SocialInsurance);
    } else {
        AddItem(lines, "Wage and salary disbursements", Wages);
    }
    if (cls == Classification::Naics)
        AddIndustries(lines, NaicsRows, basis, false);
    else if (cls == Classification::Sic)
        AddIndustries(lines, SicRows, basis, historical);
    return lines;
}

std::string LineCode(int line)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d", (line * 10) % 10000);
    return buffer;
}

double LineValue(const Economy &e, const LineDef &def, Classification cls, Basis basis)
{
    if (def.item == -2)
        return e.item[Wages] + e.item[Supplements];
    if (def.item >= 0)
        return e.item[static_cast<std::size_t>(def.item)];
    const auto &leaves = (cls == Classification::Naics ? e.naics : e.sic)[static_cast<std::size_t>(basis)];
    double sum = 0;
    for (std::size_t i = 0; i < MaxLeaves; ++i) {
        if (def.mask & Bit(static_cast<int>(i)))
            sum += leaves[i];
    }
    return sum;
}

// Large values are whole millions; values below 100,000 keep a decimal, as
// published files do for small areas and early years, so every table holds
// some. A value never reads as zero, so a withheld cell always has
// something to hide.
double Shown(double value)
{
    if (std::fabs(value) >= 100000.0)
        return std::round(value);
    const double tenths = std::round(value * 10.0);
    if (tenths == 0.0)
        return value < 0 ? -0.1 : 0.1;
    return tenths / 10.0;
}

int TableIndex(std::string_view code)
{
    const auto &codes = TableCodes();
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] == code)
            return static_cast<int>(i);
    }
    return -1;
}

// The flag string of one line of a state: runs of quarters withheld for
// disclosure ('1') or not available ('2'). The District has no farms to
// show and its mining earnings are always withheld. A line's flags depend on
// what it shows, so the two "Farm earnings" lines of a table agree.
std::string Flags(const Random &random, int table, int state, const LineDef &def, int quarters)
{
    std::string flags(static_cast<std::size_t>(quarters), '0');
    if (!def.mayWithhold)
        return flags;
    const bool farm = def.item == FarmEarnings || def.item == FarmProprietors || def.mask == Bit(0);
    if (state == DistrictOfColumbia && farm) {
        std::fill(flags.begin(), flags.end(), '2');
        return flags;
    }
    if (state == DistrictOfColumbia && def.mask == Bit(MiningLeaf)) {
        std::fill(flags.begin(), flags.end(), '1');
        return flags;
    }
    constexpr std::uint64_t industry = 1ULL << 32;
    const std::uint64_t shown = def.item == FarmEarnings ? (industry | Bit(0))
        : def.item >= 0 ? static_cast<std::uint64_t>(def.item) : (industry | def.mask);
    const std::uint64_t place = static_cast<std::uint64_t>(table) * 100 + static_cast<std::uint64_t>(state);
    const std::uint64_t key = Mix(place) ^ shown;
    const double r = random.Unit(Withheld, key);
    const int start = static_cast<int>(random.Unit(Withheld, key, 1) * quarters);
    if (r < 0.05) {
        const int length = 1 + static_cast<int>(random.Unit(Withheld, key, 2) * (quarters - start));
        std::fill_n(flags.begin() + start, std::min(length, quarters - start), '1');
    } else if (r < 0.075) {
        std::fill_n(flags.begin(), start + 1, '2');
    }
    return flags;
}

// ------------------------------------------------------------- writing

struct Writer {
    fs::path folder;
    std::string error;

    bool Write(const std::string &name, std::string_view bytes)
    {
        const std::string path = (folder / name).string();
        if (!WriteFileBytes(path, bytes)) {
            error = "Cannot write " + path;
            return false;
        }
        return true;
    }
};

// Two cells of each table are written in exponent form, as some published
// files have them: the Far West's first line in the middle quarter and the
// Rocky Mountain region's last line in the last quarter. Regions are never
// withheld.
bool IsExponentCell(int area, int line, int k, int lineCount, int quarters)
{
    return (area == AreaTotal - 1 && line == 0 && k == quarters / 2)
        || (area == AreaTotal - 2 && line == lineCount - 1 && k == quarters - 1);
}

// value with as many significant digits as fit ten characters: "1.2346E+06".
std::string ExponentField(double value)
{
    if (!std::isfinite(value) || value == 0.0)
        return ValueField(value);
    char buffer[32];
    for (int precision = 4; precision >= 0; --precision) {
        std::snprintf(buffer, sizeof buffer, "%.*E", precision, value);
        const std::string text = buffer;
        if (text.size() <= 10)
            return std::string(10 - text.size(), ' ') + text;
    }
    return ValueField(value);
}

// Both files of a table: the published ".dfx" with withheld values written
// as 0, and the unsuppressed ".xxx" with every value.
bool WriteTable(Writer &writer, const Model &model, const std::string &code, bool unsuppressed)
{
    const std::vector<LineDef> lines = LineDefs(code);
    const Classification cls = ClassOf(code);
    const Basis basis = BasisOf(code);
    const int quarters = QuarterCount(code);
    const int lineCount = static_cast<int>(lines.size());
    const int t0 = (FirstYear(code) - BaseYear) * 4;
    const int table = TableIndex(code);

    // values[(area * lineCount + line) * quarters + k]; the nation and the
    // regions are the sums of their states.
    std::vector<double> values(static_cast<std::size_t>(AreaTotal * lineCount * quarters), 0.0);
    auto at = [&](int area, int line, int k) -> double & {
        return values[static_cast<std::size_t>((area * lineCount + line) * quarters + k)];
    };
    for (int s = 0; s < StateCount; ++s) {
        const int area = s + 1;
        const int region = FirstRegionArea + (States[static_cast<std::size_t>(s)].region - '1');
        for (int k = 0; k < quarters; ++k) {
            const Economy e = model.At(s, t0 + k);
            for (int l = 0; l < lineCount; ++l) {
                const double v = LineValue(e, lines[static_cast<std::size_t>(l)], cls, basis);
                at(area, l, k) = v;
                at(0, l, k) += v;
                at(region, l, k) += v;
            }
        }
    }

    const auto &areas = Areas();
    const std::string zeroField = ValueField(0);
    std::string published;
    std::string full;
    std::vector<std::string> shown(static_cast<std::size_t>(quarters));
    std::vector<std::string> hidden(static_cast<std::size_t>(quarters));
    for (int a = 0; a < AreaTotal; ++a) {
        const SampleArea &area = areas[static_cast<std::size_t>(a)];
        for (int l = 0; l < lineCount; ++l) {
            const LineDef &def = lines[static_cast<std::size_t>(l)];
            const std::string flags = (a >= 1 && a <= StateCount)
                ? Flags(model.Rand(), table, a - 1, def, quarters)
                : std::string(static_cast<std::size_t>(quarters), '0');
            for (int k = 0; k < quarters; ++k) {
                const auto u = static_cast<std::size_t>(k);
                shown[u] = IsExponentCell(a, l, k, lineCount, quarters) ? ExponentField(at(a, l, k))
                                                                         : ValueField(Shown(at(a, l, k)));
                hidden[u] = flags[u] == '0' ? shown[u] : zeroField;
            }
            const std::string lineCode = LineCode(l + 1);
            full += DataLine(area.code, area.region, code, lineCode, shown, flags);
            full += "\r\n";
            published += DataLine(area.code, area.region, code, lineCode, hidden, flags);
            published += "\r\n";
        }
    }
    if (!writer.Write(code + ".dfx", published))
        return false;
    return !unsuppressed || writer.Write(code + ".xxx", full);
}

bool WriteLineTitles(Writer &writer, const std::string &code)
{
    std::vector<std::string> records;
    for (const auto &line : LineTitles(code)) {
        if (code == "ZR1")
            records.push_back(Fit(line.title, 20));
        else
            records.push_back(LineTitleRecordText(line.code, line.title));
    }
    return writer.Write(code + "line.csv", CrLfLines(records));
}

// ----------------------------------------------------------- documents

std::string TableTitle(std::string_view code)
{
    if (code == "ZR4")
        return "Quarterly income summary";
    if (code == "ZR1")
        return "Quarterly personal income";
    if (BasisOf(code) == Basis::Compensation)
        return "Quarterly compensation of employees by industry";
    if (BasisOf(code) == Basis::Wages)
        return "Quarterly wage and salary disbursements by industry";
    return "Quarterly personal income by major source and earnings by industry";
}

std::string Span(std::string_view code)
{
    return QuarterLabel(1, code) + " to " + QuarterLabel(QuarterCount(code), code) + " ("
        + std::to_string(QuarterCount(code)) + " quarters)";
}

std::vector<std::string> FootnoteLines(const std::string &code)
{
    std::vector<std::string> text{
        code + "  " + TableTitle(code),
        "",
        "1/ Millions of dollars, seasonally adjusted at annual rates. The estimates are in",
        "   current dollars, not adjusted for inflation.",
        "(D) Not shown to avoid disclosure of confidential information; the estimates are",
        "    included in higher-level totals.",
        "(N) Data not available for this area and period.",
    };
    const Basis basis = BasisOf(code);
    if (code == "ZR4" || basis == Basis::Earnings) {
        text.push_back("Contributions for government social insurance are subtracted from earnings");
        text.push_back("   in deriving personal income. The adjustment for residence is the net");
        text.push_back("   inflow of the earnings of interstate commuters.");
    }
    if (basis == Basis::Compensation)
        text.push_back("Compensation of employees is wages and salaries plus supplements.");
    switch (ClassOf(code)) {
    case Classification::Naics:
        text.push_back("Industry detail follows the North American Industry Classification System");
        text.push_back("   (NAICS), 2002 edition.");
        break;
    case Classification::Sic:
        text.push_back("Industry detail follows the Standard Industrial Classification (SIC),");
        text.push_back(code.back() == 'H' ? "   as defined at the time; wholesale and retail trade are shown together."
                                          : "   1987 edition.");
        break;
    case Classification::None:
        break;
    }
    text.push_back("Quarters: " + Span(code) + ".");
    text.push_back("Regions are the sums of their states; the nation is the sum of the states");
    text.push_back("   and the District of Columbia.");
    text.push_back("Sample data made for the TARVEL viewer; these are not official estimates.");
    return text;
}

std::vector<std::string> SummaryLines(const std::string &code)
{
    std::vector<std::string> text{
        code + " summary",
        TableTitle(code),
        "",
        "Series:          " + SeriesCaption(code),
        "Quarters:        " + Span(code),
        "Lines per area:  " + std::to_string(LineCount(code)),
        "Areas:           the nation, the 50 states, the District of Columbia and",
        "                 the eight ZUL regions (60 areas)",
        "Units:           millions of dollars, seasonally adjusted at annual rates",
        "",
        "Line  Title",
    };
    for (const auto &line : LineTitles(code))
        text.push_back(line.code + "  " + line.title);
    text.push_back("");
    text.push_back("The line codes above are those of the exported files.");
    return text;
}

std::vector<std::string> FormatLines()
{
    return {
        "Format of exported files",
        "",
        "The export command writes the chosen table for the chosen areas, lines and",
        "quarters in one of four record formats: comma-delimited (.csv), space-delimited",
        "(.prn), tab-delimited (.txt) or fixed-length (.prn). One file may hold all areas,",
        "or each area may get a file of its own, named by table code and area abbreviation",
        "(for example ZR5NAL.csv).",
        "",
        "Delimited records",
        "  State FIPS, Region Code, Table, Line Code, First Year.Quarter, then the line",
        "  title and the area name when chosen, one value per exported quarter, and the",
        "  DISCL field: an apostrophe followed by one flag character per quarter.",
        "  Text fields may be enclosed in double quotes. Withheld values are written as",
        "  (D) (not shown to avoid disclosure) or (N) (not available).",
        "",
        "Fixed-length records",
        "  Columns  Content",
        "   1- 2    State FIPS code",
        "   3       Region code",
        "   4- 7    Table code, right-aligned",
        "   8-11    Line code, four digits",
        "  12-17    First quarter exported, YYYY.Q",
        "  then     Line title (63 characters) and area name (25) when chosen,",
        "           10 characters per exported quarter, a blank, one flag per quarter.",
        "  The header record reads SSRTTTTLLLLYYYY.Q followed by the column titles.",
        "",
        "Flags: 0 published, 1 withheld to avoid disclosure, 2 not available.",
        "Every record ends with carriage return and line feed.",
    };
}

std::vector<std::string> RegionLines()
{
    std::vector<std::string> text{"ZUL Regions", ""};
    const auto &areas = Areas();
    for (std::size_t r = 0; r < Regions.size(); ++r) {
        const SampleArea &region = areas[FirstRegionArea + r];
        std::string names;
        for (const auto &state : States) {
            if (state.region != region.region)
                continue;
            if (!names.empty())
                names += ", ";
            names += state.name;
        }
        text.push_back(region.code + "  " + region.name + " (" + region.abbreviation + ")");
        text.push_back("    " + names);
        text.push_back("");
    }
    return text;
}

std::vector<std::string> ReadmeLines()
{
    return {
        std::string("TARVEL ") + VersionText + ", June 2008",
        "",
        "TARVEL shows, prints and exports quarterly personal income of the nation,",
        "the states and the ZUL regions. Choose a table, its quarters and the areas,",
        "then Display.",
        "",
        "What's new",
        "  - Data through the first quarter of 2008.",
        "  - NAICS-based tables ZR5N, ZR6N and ZR7N; SIC-based and historical tables",
        "    continue unchanged.",
        "  - Print to HTML files.",
        "",
        "This folder holds made-up sample data for trying the program; the numbers",
        "are not official estimates.",
    };
}

// Used when no help file is given: the contents page and the two topics the
// help menu opens, in the help file's topic markup.
std::string DefaultHelp()
{
    return CrLfLines({
        "@topic 1 Contents",
        "TARVEL is a viewer for quarterly personal-income statistics of the nation,",
        "the states and the ZUL regions: it shows, prints and exports ten fixed tables",
        "read from its data folder.",
        "",
        "@topic 8 Quick start",
        "Choose a table, its quarters and the areas, then Display.",
        "",
        "@topic 23 Index of tables",
        "ZR4, ZR1, ZR5N, ZR5, ZR5H, ZR6N, ZR6, ZR7N, ZR7 and ZR7H.",
    });
}

bool WriteDocuments(Writer &writer, const std::vector<std::string> &tables)
{
    for (const auto &code : tables) {
        if (!writer.Write(code + "fn.txt", CrLfLines(FootnoteLines(code))))
            return false;
        if (code != "ZR1" && !writer.Write(code + ".doc", CrLfLines(SummaryLines(code))))
            return false;
    }
    if (!writer.Write("zrformat.txt", CrLfLines(FormatLines()))
        || !writer.Write("regions.txt", CrLfLines(RegionLines()))
        || !writer.Write("q_readme.txt", CrLfLines(ReadmeLines())))
        return false;
    return true;
}

bool WriteHelp(Writer &writer, const std::string &helpFile)
{
    std::string bytes;
    if (!helpFile.empty()) {
        // An unreadable help file leaves the short built-in text.
        std::ifstream in(helpFile, std::ios::binary);
        if (in)
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad())
            bytes.clear();
    }
    if (bytes.empty())
        bytes = DefaultHelp();
    return writer.Write("tarvel.hlp", bytes);
}

} // namespace

const std::vector<SampleArea> &Areas()
{
    static const std::vector<SampleArea> areas = [] {
        std::vector<SampleArea> all;
        all.push_back({"00", "United States", "US", '0'});
        for (const auto &s : States)
            all.push_back({s.code, s.name, s.abbreviation, s.region});
        for (std::size_t r = 0; r < Regions.size(); ++r) {
            all.push_back({std::to_string(91 + r), Regions[r].name, Regions[r].abbreviation,
                           static_cast<char>('1' + r)});
        }
        return all;
    }();
    return areas;
}

std::string ValueField(double value)
{
    if (!std::isfinite(value))
        value = 0;
    std::string text;
    const double tenths = std::round(value * 10.0);
    if (std::fabs(tenths) < 1e12) {
        const auto n = static_cast<long long>(tenths);
        const unsigned long long m = n < 0 ? static_cast<unsigned long long>(-n) : static_cast<unsigned long long>(n);
        text = std::to_string(m / 10);
        if (m % 10 != 0) {
            text += '.';
            text += static_cast<char>('0' + m % 10);
        }
        if (n < 0)
            text.insert(0, 1, '-');
    }
    if (text.empty() || text.size() > 10) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.2E", value);
        text = buffer;
    }
    return std::string(10 - std::min<std::size_t>(text.size(), 10), ' ') + text;
}

std::string DataLine(const std::string &areaCode, char region, std::string_view tableCode,
                     const std::string &lineCode, const std::vector<std::string> &valueFields,
                     const std::string &flags)
{
    std::string line;
    line.reserve(20 + valueFields.size() * 11 + flags.size());
    line += areaCode;
    line += ',';
    line += region;
    line += ',';
    line += Fit(tableCode, 4);
    line += ',';
    line += lineCode;
    line += ',';
    line += UnusedField;
    for (const auto &field : valueFields) {
        line += ',';
        line += field;
    }
    line += ',';
    line += flags;
    return line;
}

std::string AreaRecordText(const SampleArea &area)
{
    return "\"" + Fit(area.code, 2) + "\",\"" + Fit(area.name, 20) + "\",\"" + Fit(area.abbreviation, 4)
        + "\",\"" + area.region + "\"";
}

std::string LineTitleRecordText(const std::string &lineCode, const std::string &title)
{
    return "\"" + Fit(lineCode, 4) + "\",\"" + Fit(title, 57) + "\"";
}

std::vector<LineTitle> LineTitles(std::string_view tableCode)
{
    std::vector<LineTitle> titles;
    if (tableCode == "ZR1") {
        for (const auto &area : Areas())
            titles.push_back({LineCode(1), area.name});
        return titles;
    }
    if (LineCount(tableCode) == 0)
        return titles;
    int n = 0;
    for (const auto &def : LineDefs(tableCode))
        titles.push_back({LineCode(++n), def.title});
    return titles;
}

std::string CrLfLines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const auto &line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

bool WriteFileBytes(const std::string &path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

std::string WriteSampleFolder(const std::string &folder, const Options &options)
{
    try {
        const auto &known = TableCodes();
        std::vector<std::string> tables = options.tables.empty() ? known : options.tables;
        for (const auto &code : tables) {
            if (std::find(known.begin(), known.end(), code) == known.end())
                return "Unknown table code \"" + code + "\"";
        }
        Writer writer{fs::path(folder), {}};
        std::error_code ec;
        fs::create_directories(writer.folder, ec);
        if (!fs::is_directory(writer.folder, ec))
            return "Cannot create the folder " + folder;

        std::vector<std::string> records;
        for (const auto &area : Areas())
            records.push_back(AreaRecordText(area));
        if (!writer.Write("statcode.csv", CrLfLines(records)))
            return writer.error;

        const Model model(options.seed);
        for (const auto &code : tables) {
            if (!WriteTable(writer, model, code, options.unsuppressed) || !WriteLineTitles(writer, code))
                return writer.error;
        }
        if (options.documents && !WriteDocuments(writer, tables))
            return writer.error;
        if ((options.documents || !options.helpFile.empty()) && !WriteHelp(writer, options.helpFile))
            return writer.error;
        return {};
    } catch (const std::exception &e) {
        return std::string("Cannot write the sample data: ") + e.what();
    }
}

} // namespace tarvel::sample
