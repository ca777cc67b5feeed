#include "instrument_run.h"

#include <filesystem>
#include <fstream>
#include <cctype>
#include <iterator>

#include "platform/child_process.h"

namespace vi_test {
namespace {

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Whether text holds shape at position at, where '9' in shape stands for
// any digit and every other character for itself.
bool has_shape_at(const std::string& text, size_t at, const std::string& shape) {
    if (text.size() - at < shape.size()) return false;
    for (size_t i = 0; i < shape.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[at + i]);
        if (shape[i] == '9' ? std::isdigit(c) == 0 : text[at + i] != shape[i]) return false;
    }
    return true;
}

// Replaces every run that starts with prefix and goes on up to (not
// including) the first character for which ends_run is true.
template <typename EndsRun>
std::string replace_runs(const std::string& text, const std::string& prefix,
                         const std::string& replacement, EndsRun ends_run) {
    std::string result;
    size_t from = 0;
    for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, from)) {
        size_t end = at + prefix.size();
        while (end < text.size() && !ends_run(text[end])) ++end;
        result.append(text, from, at - from).append(replacement);
        from = end;
    }
    return result.append(text, from);
}

}  // namespace

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string without_stamps(const std::string& text) {
    const std::string stamp = "9999-99-99 99:99:99 ";
    std::string result;
    for (size_t at = 0; at < text.size();) {
        if (has_shape_at(text, at, stamp)) {
            at += stamp.size();
        } else {
            result += text[at++];
        }
    }
    return result;
}

run_result run_instrument(const std::string& name, const std::vector<std::string>& args,
                          const std::vector<std::string>& demo_args) {
    const temp_file folder(name);
    std::vector<std::string> command{VIRTUAL_INSTRUMENT_EXE};
    command.insert(command.end(), args.begin(), args.end());
    command.insert(command.end(), {"--dir", folder.str(), "--then", INSTRUMENT_DEMO_EXE});
    command.insert(command.end(), demo_args.begin(), demo_args.end());
    plat::process_result process;
    run_result run;
    if (!plat::run_process(command, &process)) return run;
    run.status = process.exit_code;
    run.live_log = process.out;
    run.errors = process.err;
    // The folder, the calibration file's name (the computer's) and the
    // pseudo-terminals differ from run to run.
    std::string transcript = without_stamps(read_file(folder.path / "command.out"));
    transcript = replace_runs(transcript, "/dev/pts/", "PORT",
                              [](char c) { return std::isdigit(static_cast<unsigned char>(c)) == 0; });
    for (size_t at = transcript.find(folder.str()); at != std::string::npos;
         at = transcript.find(folder.str(), at)) {
        transcript.replace(at, folder.str().size(), "DIR");
    }
    for (const char* cfg : {"DIR/cfg/", "DIR\\cfg\\"}) {
        transcript = replace_runs(transcript, cfg, "DIR/cfg/CAL", [](char c) { return c == ':'; });
    }
    run.transcript = lines_of(transcript);
    run.demo_errors = read_file(folder.path / "command.err");
    run.received = lines_of(read_file(folder.path / "received.log"));
    std::error_code ignored;
    std::filesystem::remove_all(folder.path, ignored);
    return run;
}

std::vector<std::string> frames_of(const run_result& run, const std::string& device) {
    std::vector<std::string> frames;
    const std::string prefix = device + " ";
    for (const std::string& line : run.received) {
        if (line.rfind(prefix, 0) != 0 || line.find(" frames received: ") != std::string::npos) continue;
        std::string frame = line.substr(prefix.size());
        if (device == "board") frame = frame.substr(0, frame.find(' '));
        frames.push_back(frame);
    }
    return frames;
}

}  // namespace vi_test
