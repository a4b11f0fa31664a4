// Tokenizes a generated SQL script the way the script runner reads it, at 1x, 2x and 4x a base
// size, and prints the time per size, the throughput by processor time (one core, steady also on
// a busy machine) and the process's peak memory.
//
//   lexer_bench [base size in MB, default 64]

#include "PostgreSql/PgParser.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/resource.h>

namespace {

using velmora::TPgParser;
using velmora::TTokenClass;

constexpr double kMB = 1e6;

// A script in the shape of a schema dump with its data: comment blocks before each object,
// tables, functions with dollar-quoted bodies, views, and a great many INSERTs with strings.
class ScriptGenerator {
public:
    explicit ScriptGenerator(unsigned seed) : random_(seed) {}

    void AppendStatement(std::string& script) {
        const unsigned kind = Number(100);
        if (kind < 4)
            AppendTable(script);
        else if (kind < 6)
            AppendFunction(script);
        else if (kind < 8)
            AppendView(script);
        else
            AppendInsert(script);
    }

private:
    unsigned Number(unsigned below) { return static_cast<unsigned>(random_() % below); }

    void AppendTocComment(std::string& script, const char* type) {
        script += "--\r\n-- TOC entry " + std::to_string(Number(5000)) + " (class 1259 OID " +
                  std::to_string(16384 + Number(100000)) + ")\r\n-- Name: objekt_" +
                  std::to_string(Number(999)) + "; Type: " + type +
                  "; Schema: trevix; Owner: postgres\r\n--\r\n\r\n";
    }

    void AppendTable(std::string& script) {
        AppendTocComment(script, "TABLE");
        const std::string name = "trevix.tabelle_" + std::to_string(Number(999));
        script += "CREATE TABLE " + name +
                  " (\r\n    id integer NOT NULL,\r\n    mandant character(4) NOT NULL,\r\n"
                  "    bezeichnung character varying(200),\r\n    betrag numeric(15,2) DEFAULT 0,\r\n"
                  "    \"Größe\" double precision,\r\n    benutzer character varying(30),\r\n"
                  "    save_time timestamp without time zone DEFAULT now()\r\n);\r\n\r\n";
        script += "/* owner of the table */\r\nALTER TABLE " + name + " OWNER TO postgres;\r\n\r\n";
    }

    void AppendFunction(std::string& script) {
        AppendTocComment(script, "FUNCTION");
        const std::string name = "trevix.f_nummer_" + std::to_string(Number(999));
        script +=
            "CREATE FUNCTION " + name +
            "(integer, character varying) RETURNS integer\r\n"
            "    LANGUAGE plpgsql\r\n    AS $_$\r\nDECLARE\r\n    nr integer;\r\n    text_ varchar := '';\r\n"
            "BEGIN\r\n    -- the counter row is locked; concurrent callers wait here\r\n"
            "    SELECT zaehler INTO nr FROM trevix.sys_nummer WHERE art = $1 FOR UPDATE;\r\n"
            "    IF nr IS NULL THEN\r\n        nr := 0;\r\n    END IF;\r\n"
            "    UPDATE trevix.sys_nummer SET zaehler = nr + 1 WHERE art = $1;\r\n"
            "    RAISE NOTICE 'Nummer % für %', nr, $2;\r\n    RETURN nr + 1;\r\nEND;\r\n$_$;\r\n\r\n";
        script += "ALTER FUNCTION " + name + "(integer, character varying) OWNER TO postgres;\r\n\r\n";
    }

    void AppendView(std::string& script) {
        AppendTocComment(script, "VIEW");
        script +=
            "CREATE VIEW trevix.v_auftrag_" + std::to_string(Number(999)) +
            " AS\r\n SELECT a.id,\r\n    a.nummer,\r\n    (a.betrag * 1.19) AS brutto,\r\n"
            "    COALESCE(k.name, ''::character varying) AS kunde\r\n   FROM (trevix.auftrag01 a\r\n"
            "     LEFT JOIN trevix.adresse k ON ((k.id = a.kunde_id)))\r\n  WHERE (a.art = 52);\r\n\r\n";
    }

    void AppendInsert(std::string& script) {
        static constexpr std::array<std::string_view, 6> kWords = {
            "Bagger", "Rüttelplatte", "Gerüst ''Typ A''", "Baustrom", "Container 20 Fuß", "Kran"};
        script += "INSERT INTO trevix.wl_artikel (id, mandant, bezeichnung, preis, einheit) VALUES (";
        script += std::to_string(Number(1000000));
        script += ", 'QZ7K', '";
        script += kWords[Number(kWords.size())];
        script += " Nr. ";
        script += std::to_string(Number(10000));
        script += "', ";
        script += std::to_string(Number(100000));
        script += '.';
        script += std::to_string(10 + Number(90));
        script += ", 'Stk');\r\n";
    }

    std::mt19937 random_;
};

// Wall-clock time, and the processor time that counts on a machine busy with other work.
struct Run {
    double seconds;
    double cpuSeconds;
    std::size_t tokens;
};

// The script runner's reading: nothing omitted, so the token texts add up to the whole script.
Run Tokenize(std::string_view script) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    TPgParser parser(script, {.QuotedString = true, .AdvancedStringParsing = true});
    std::size_t tokens = 0;
    std::size_t bytes = 0;
    for (auto token = parser.GetNext(); token.Class != TTokenClass::End; token = parser.GetNext()) {
        ++tokens;
        bytes += token.Text.size();
    }
    const double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (bytes != script.size())
        throw std::logic_error("the tokens do not add up to the script");
    return {elapsed.count(), cpuSeconds, tokens};
}

double PeakMemoryMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024 / kMB; // ru_maxrss is in KiB
}

} // namespace

int main(int argc, char** argv) {
    const double baseMB = argc > 1 ? std::atof(argv[1]) : 64;
    const auto baseSize = static_cast<std::size_t>(baseMB * kMB);

    // One script of 4x the base size, reserved up front; 1x and 2x are its first statements.
    std::string script;
    script.reserve(4 * baseSize + 4096);
    ScriptGenerator generator(42);
    std::array<std::size_t, 3> sizes{};
    for (std::size_t i = 0, factor = 1; i < sizes.size(); ++i, factor *= 2) {
        while (script.size() < factor * baseSize)
            generator.AppendStatement(script);
        sizes[i] = script.size();
    }

    std::printf("%-4s %8s %12s %10s %10s %10s\n", "size", "MB", "tokens", "seconds", "cpu s", "MB/s cpu");
    constexpr std::array<const char*, 3> kLabels = {"1x", "2x", "4x"};
    std::array<double, 3> cpuSeconds{};
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        Run best{0, 1e9, 0};
        for (int repeat = 0; repeat < 3; ++repeat) {
            const Run run = Tokenize(std::string_view(script).substr(0, sizes[i]));
            if (run.cpuSeconds < best.cpuSeconds)
                best = run;
        }
        cpuSeconds[i] = best.cpuSeconds;
        const double mb = static_cast<double>(sizes[i]) / kMB;
        std::printf("%-4s %8.1f %12zu %10.3f %10.3f %10.0f\n", kLabels[i], mb, best.tokens, best.seconds,
                    best.cpuSeconds, mb / best.cpuSeconds);
    }
    std::printf("cpu time 2x/1x %.2f, 4x/1x %.2f (linear: 2 and 4)\n", cpuSeconds[1] / cpuSeconds[0],
                cpuSeconds[2] / cpuSeconds[0]);
    const double largestMB = static_cast<double>(sizes.back()) / kMB;
    std::printf("peak memory %.1f MB for a %.1f MB script (%.2fx)\n", PeakMemoryMB(), largestMB,
                PeakMemoryMB() / largestMB);
}
