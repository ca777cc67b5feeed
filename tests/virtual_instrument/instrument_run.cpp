#include "instrument_run.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "platform/child_process.h"

namespace vi_test {
namespace {

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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
    static const std::regex stamp("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} ");
    return std::regex_replace(text, stamp, "");
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
    transcript = std::regex_replace(transcript, std::regex("/dev/pts/[0-9]+"), "PORT");
    for (size_t at = transcript.find(folder.str()); at != std::string::npos;
         at = transcript.find(folder.str(), at)) {
        transcript.replace(at, folder.str().size(), "DIR");
    }
    transcript = std::regex_replace(transcript, std::regex(R"(DIR[/\\]cfg[/\\][^:]+:)"), "DIR/cfg/CAL:");
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
