// A stand-in for powershell.exe in the test prefix, where Wine has none that
// works. It appends the command line it was given to a log (UTF-8, one line
// per start), then carries out the few statements that the program's deferred
// scripts use, as Windows PowerShell 5.1 does them. Like the scripts themselves
// it reports no failure of a file step; a statement it cannot read makes it run
// nothing and exit with 2, so that tests notice a script it does not understand.
//
// Log: the file named by ORKVANE_STANDIN_LOG, else powershell_standin.log
// beside this executable; failed file steps go to the log's name + ".errors".
#include <windows.h>

#include <cwctype>
#include <map>
#include <string>
#include <vector>

namespace {

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring OwnFolder() {
    std::vector<wchar_t> buffer(32768);
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    std::wstring path(buffer.data(), length);
    size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

std::wstring LogPath() {
    std::vector<wchar_t> buffer(32768);
    DWORD length = GetEnvironmentVariableW(L"ORKVANE_STANDIN_LOG", buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length > 0 && length < buffer.size()) return std::wstring(buffer.data(), length);
    return OwnFolder() + L"\\powershell_standin.log";
}

void AppendLine(const std::wstring& path, const std::wstring& line) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    std::string bytes = ToUtf8(line) + "\r\n";
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

void AppendToLog(const std::wstring& line) { AppendLine(LogPath(), line); }

// A file step that failed is silenced as in PowerShell, but noted beside the
// log (log name + ".errors") so that a failing test can say why.
void NoteFailure(const std::wstring& step, const std::wstring& path) {
    DWORD error = GetLastError();
    AppendLine(LogPath() + L".errors", step + L" " + path + L": error " + std::to_wstring(error));
}

// The text between `-Command "` and the last double quote of the line.
bool ExtractScript(const std::wstring& commandLine, std::wstring& script) {
    const std::wstring marker = L"-Command \"";
    size_t start = commandLine.find(marker);
    size_t end = commandLine.rfind(L'"');
    if (start == std::wstring::npos || end == std::wstring::npos || end < start + marker.size()) return false;
    start += marker.size();
    script = commandLine.substr(start, end - start);
    return true;
}

struct Token {
    std::wstring text;
    bool quoted = false;
};

// PowerShell takes the typographic single quotes for the ASCII one: any of
// the five opens or closes a quoted string, and two in a row inside one stand
// for the second.
bool IsSingleQuote(wchar_t c) {
    return c == L'\'' || c == L'\u2018' || c == L'\u2019' || c == L'\u201A' || c == L'\u201B';
}

// Splits a script into statements: `;`, `{` and `}` end a statement outside
// single quotes; inside them '' stands for one quote. `{` and `}` are kept as
// statements of their own, so that the runner sees the blocks of try/catch.
bool SplitStatements(const std::wstring& script, std::vector<std::vector<Token>>& statements) {
    std::vector<Token> current;
    std::wstring word;
    auto endWord = [&] {
        if (!word.empty()) current.push_back({word, false});
        word.clear();
    };
    auto endStatement = [&] {
        endWord();
        if (!current.empty()) statements.push_back(current);
        current.clear();
    };
    for (size_t i = 0; i < script.size(); ++i) {
        wchar_t c = script[i];
        if (IsSingleQuote(c)) {
            std::wstring text;
            bool closed = false;
            for (++i; i < script.size(); ++i) {
                if (IsSingleQuote(script[i])) {
                    if (i + 1 < script.size() && IsSingleQuote(script[i + 1])) {
                        text += script[i + 1];
                        ++i;
                    } else {
                        closed = true;
                        break;
                    }
                } else {
                    text += script[i];
                }
            }
            if (!closed) return false;
            // `name='value'` is one assignment token followed by its value.
            if (!word.empty()) endWord();
            current.push_back({text, true});
        } else if (c == L';') {
            endStatement();
        } else if (c == L'{' || c == L'}') {
            endStatement();
            statements.push_back({{std::wstring(1, c), false}});
        } else if (c == L'=' && !word.empty()) {
            word += c;
            endWord();
        } else if (std::iswspace(c)) {
            endWord();
        } else {
            word += c;
        }
    }
    endStatement();
    return true;
}

bool SameWord(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

// `-Name value` pairs; a parameter followed by another parameter is a switch.
bool ReadParameters(const std::vector<Token>& statement, std::map<std::wstring, std::wstring>& parameters) {
    for (size_t i = 1; i < statement.size(); ++i) {
        const Token& token = statement[i];
        if (token.quoted || token.text.size() < 2 || token.text[0] != L'-') return false;
        std::wstring name = token.text.substr(1);
        for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
        std::wstring value;
        if (i + 1 < statement.size() && (statement[i + 1].quoted || statement[i + 1].text[0] != L'-'))
            value = statement[++i].text;
        parameters[name] = value;
    }
    return true;
}

bool IsNumber(const std::wstring& text) {
    if (text.empty() || text.size() > 9) return false;
    for (wchar_t c : text)
        if (c < L'0' || c > L'9') return false;
    return true;
}

void WaitForProcess(DWORD id, DWORD timeoutMs) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process == nullptr) return;  // already gone
    WaitForSingleObject(process, timeoutMs);
    CloseHandle(process);
}

void StartProgram(const std::wstring& path) {
    std::wstring commandLine = L"\"" + path + L"\"";
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (CreateProcessW(path.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
}

// A cmdlet of the scripts, checked and, when `execute` is set, carried out;
// false when it is not one this stand-in knows.
bool RunCmdlet(const std::vector<Token>& statement, bool execute) {
    const std::wstring& verb = statement[0].text;
    std::map<std::wstring, std::wstring> p;
    if (!ReadParameters(statement, p)) return false;
    auto has = [&](const wchar_t* name) { return p.count(name) != 0; };

    if (SameWord(verb, L"Wait-Process")) {
        if (p.size() != 2 || !IsNumber(p[L"id"]) || !IsNumber(p[L"timeout"])) return false;
        if (execute) WaitForProcess(std::stoul(p[L"id"]), std::stoul(p[L"timeout"]) * 1000);
        return true;
    }
    if (SameWord(verb, L"Start-Sleep")) {
        if (p.size() != 1 || !IsNumber(p[L"milliseconds"])) return false;
        if (execute) Sleep(std::stoul(p[L"milliseconds"]));
        return true;
    }
    if (SameWord(verb, L"Copy-Item")) {
        if (p.size() != 3 || !has(L"literalpath") || !has(L"destination") || !has(L"force")) return false;
        if (execute && !CopyFileW(p[L"literalpath"].c_str(), p[L"destination"].c_str(), FALSE))
            NoteFailure(L"Copy-Item", p[L"destination"]);
        return true;
    }
    if (SameWord(verb, L"Move-Item")) {
        if (p.size() != 3 || !has(L"literalpath") || !has(L"destination") || !has(L"force")) return false;
        // -Force onto an existing file deletes that file, then moves: when the
        // move then fails, neither file is left at the destination.
        if (!execute) return true;
        const std::wstring& source = p[L"literalpath"];
        const std::wstring& dest = p[L"destination"];
        if (!DeleteFileW(dest.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
            NoteFailure(L"Move-Item", dest);
        else if (!MoveFileW(source.c_str(), dest.c_str()))
            NoteFailure(L"Move-Item", dest);
        return true;
    }
    if (SameWord(verb, L"Remove-Item") && p.size() == 3 && has(L"recurse")) {
        // A key of the current user's hive, with its values and subkeys.
        const std::wstring hive = L"HKCU:\\";
        if (!has(L"literalpath") || !has(L"force")) return false;
        const std::wstring& path = p[L"literalpath"];
        if (path.compare(0, hive.size(), hive) != 0) return false;
        if (execute && RegDeleteTreeW(HKEY_CURRENT_USER, path.substr(hive.size()).c_str()) != ERROR_SUCCESS)
            NoteFailure(L"Remove-Item", path);
        return true;
    }
    if (SameWord(verb, L"Remove-Item")) {
        if (p.size() != 2 || !has(L"literalpath") || !has(L"force")) return false;
        if (execute && !DeleteFileW(p[L"literalpath"].c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
            NoteFailure(L"Remove-Item", p[L"literalpath"]);
        return true;
    }
    if (SameWord(verb, L"Start-Process")) {
        if (p.size() != 1 || !has(L"filepath")) return false;
        if (execute) StartProgram(p[L"filepath"]);
        return true;
    }
    return false;
}

enum class Outcome {
    Unknown,  // not a statement this stand-in knows
    Done,     // carried out, or failed silently as a cmdlet under SilentlyContinue
    Threw,    // a .NET method failed: an exception, which a catch block receives
};

// A .NET static call, `[Type]::Method(...)`, as its shape with every quoted
// argument replaced by ' (spaces dropped), and its quoted arguments.
std::wstring CallShape(const std::vector<Token>& statement, std::vector<std::wstring>& arguments) {
    std::wstring shape;
    for (const Token& token : statement) {
        if (token.quoted) arguments.push_back(token.text);
        shape += token.quoted ? L"'" : token.text;
    }
    return shape;
}

// [System.IO.File]::Replace (ReplaceFileW, in one step or not at all; the
// destination must exist) and [System.IO.File]::Move (MoveFileW, which never
// replaces a file).
Outcome RunFileCall(const std::vector<Token>& statement, bool execute) {
    std::vector<std::wstring> a;
    const std::wstring shape = CallShape(statement, a);
    if (_wcsicmp(shape.c_str(), L"[System.IO.File]::Replace(',',$null,$true)") == 0) {
        if (!execute) return Outcome::Done;
        if (ReplaceFileW(a[1].c_str(), a[0].c_str(), nullptr,
                         REPLACEFILE_WRITE_THROUGH | REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
            return Outcome::Done;
        NoteFailure(L"[System.IO.File]::Replace", a[1]);
        return Outcome::Threw;
    }
    if (_wcsicmp(shape.c_str(), L"[System.IO.File]::Move(',')") == 0) {
        if (!execute) return Outcome::Done;
        if (MoveFileW(a[0].c_str(), a[1].c_str())) return Outcome::Done;
        NoteFailure(L"[System.IO.File]::Move", a[1]);
        return Outcome::Threw;
    }
    return Outcome::Unknown;
}

// Checks one statement and, when `execute` is set, carries it out.
Outcome RunStatement(const std::vector<Token>& statement, bool execute) {
    const std::wstring& verb = statement[0].text;
    if (statement[0].quoted) return Outcome::Unknown;
    if (verb.rfind(L"[", 0) == 0) return RunFileCall(statement, execute);
    if (SameWord(verb, L"$ErrorActionPreference="))
        return statement.size() == 2 && statement[1].quoted ? Outcome::Done : Outcome::Unknown;
    const bool known = RunCmdlet(statement, execute);
    return known ? Outcome::Done : Outcome::Unknown;
}

bool IsWord(const std::vector<Token>& statement, const wchar_t* word) {
    return statement.size() == 1 && !statement[0].quoted && SameWord(statement[0].text, word);
}

using Statements = std::vector<std::vector<Token>>;

// `if (-not (Test-Path -LiteralPath '<path>'))`, the one condition the scripts
// use; `path` receives the path.
bool IsIfPathMissing(const std::vector<Token>& statement, std::wstring& path) {
    const wchar_t* shape[] = {L"if", L"(-not", L"(Test-Path", L"-LiteralPath", nullptr, L"))"};
    if (statement.size() != 6) return false;
    for (size_t i = 0; i < 6; ++i) {
        if (shape[i] == nullptr) {
            if (!statement[i].quoted) return false;
            path = statement[i].text;
        } else if (statement[i].quoted || !SameWord(statement[i].text, shape[i])) {
            return false;
        }
    }
    return true;
}

// Runs (or, without `execute`, only reads) the statements from `i` to the end
// of the current block, leaving `i` after its closing brace. In a try block
// an exception skips the rest of the block and sets `threw`; elsewhere, as
// under SilentlyContinue, the next statement runs. False for a script that
// cannot be read.
bool RunBlock(const Statements& statements, size_t& i, bool execute, bool inTry, bool& threw, int depth) {
    while (i < statements.size()) {
        const std::vector<Token>& statement = statements[i];
        if (IsWord(statement, L"}")) {
            if (depth == 0) return false;
            ++i;
            return true;
        }
        if (IsWord(statement, L"{") || IsWord(statement, L"catch")) return false;
        if (IsWord(statement, L"try")) {
            if (++i >= statements.size() || !IsWord(statements[i], L"{")) return false;
            bool tryThrew = false;
            if (!RunBlock(statements, ++i, execute && !threw, true, tryThrew, depth + 1)) return false;
            if (i + 1 >= statements.size() || !IsWord(statements[i], L"catch") || !IsWord(statements[i + 1], L"{"))
                return false;
            i += 2;
            bool catchThrew = false;
            if (!RunBlock(statements, i, execute && !threw && tryThrew, inTry, catchThrew, depth + 1)) return false;
            if (catchThrew && inTry) threw = true;
            continue;
        }
        std::wstring tested;
        if (IsIfPathMissing(statement, tested)) {
            if (++i >= statements.size() || !IsWord(statements[i], L"{")) return false;
            const bool missing = GetFileAttributesW(tested.c_str()) == INVALID_FILE_ATTRIBUTES;
            bool ifThrew = false;
            if (!RunBlock(statements, ++i, execute && !threw && missing, inTry, ifThrew, depth + 1)) return false;
            if (ifThrew && inTry) threw = true;
            continue;
        }
        const Outcome outcome = RunStatement(statement, execute && !threw);
        if (outcome == Outcome::Unknown) return false;
        if (outcome == Outcome::Threw && inTry) threw = true;
        ++i;
    }
    return depth == 0;
}

}  // namespace

int wmain() {
    std::wstring commandLine = GetCommandLineW();
    AppendToLog(commandLine);

    std::wstring script;
    if (!ExtractScript(commandLine, script)) return 0;  // started as a plain program
    Statements statements;
    if (!SplitStatements(script, statements)) return 2;
    // Like PowerShell, a script that cannot be read runs no statement at all.
    size_t i = 0;
    bool threw = false;
    if (!RunBlock(statements, i, false, false, threw, 0)) return 2;
    i = 0;
    RunBlock(statements, i, true, false, threw, 0);
    return 0;
}
