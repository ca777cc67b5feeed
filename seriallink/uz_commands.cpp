// The command tables and command name tables of the four instrument boards,
// built at compile time from the one list in uz_commands.inc, and the
// lookups over them.
#include <array>
#include <cstddef>

#include "errors/errors.h"
#include "seriallink/seriallink.h"

namespace {

struct command_row {
    int32_t board;
    uint8_t code;
    const char* name;
    uint8_t request;
    uint8_t response;
};

constexpr command_row kAllCommands[] = {
#define UZ_COMMAND(board, code, name, request, response) \
    {INSTR_BD_##board, code, #name, request, response},
#include "seriallink/uz_commands.inc"
#undef UZ_COMMAND
};

constexpr size_t rows_of(int32_t board) {
    size_t count = 0;
    for (const command_row& row : kAllCommands) count += row.board == board ? 1 : 0;
    return count;
}

// The tables are indexed by code: each board's rows run from code 0 without gaps.
constexpr bool codes_are_indexes(int32_t board) {
    size_t next = 0;
    for (const command_row& row : kAllCommands) {
        if (row.board != board) continue;
        if (row.code != next) return false;
        ++next;
    }
    return true;
}
static_assert(codes_are_indexes(INSTR_BD_UZ1) && codes_are_indexes(INSTR_BD_UZ2) &&
              codes_are_indexes(INSTR_BD_NIF) && codes_are_indexes(INSTR_BD_FTP));

// One board's tables, indexed by code.
template <int32_t Board>
struct board_tables {
    static constexpr size_t kCount = rows_of(Board);
    std::array<ur_cmd_lengths, kCount> lengths{};
    std::array<const char*, kCount> names{};
};

template <int32_t Board>
constexpr board_tables<Board> make_tables() {
    board_tables<Board> tables{};
    size_t next = 0;
    for (const command_row& row : kAllCommands) {
        if (row.board != Board) continue;
        tables.lengths[next] = {row.request, row.response};
        tables.names[next] = row.name;
        ++next;
    }
    return tables;
}

constexpr auto kUz1 = make_tables<INSTR_BD_UZ1>();
constexpr auto kUz2 = make_tables<INSTR_BD_UZ2>();
constexpr auto kNif = make_tables<INSTR_BD_NIF>();
constexpr auto kFtp = make_tables<INSTR_BD_FTP>();
static_assert(kUz1.kCount == 59 && kUz2.kCount == 63 && kNif.kCount == 43 && kFtp.kCount == 42);

struct table_view {
    const ur_cmd_lengths* lengths;
    const char* const* names;
    int32_t count;
};

template <int32_t Board>
table_view view_of(const board_tables<Board>& tables) {
    return {tables.lengths.data(), tables.names.data(), static_cast<int32_t>(tables.kCount)};
}

table_view tables_of(int32_t board_type) {
    switch (board_type) {
        case INSTR_BD_UZ1:
            return view_of(kUz1);
        case INSTR_BD_UZ2:
            return view_of(kUz2);
        case INSTR_BD_NIF:
            return view_of(kNif);
        case INSTR_BD_FTP:
            return view_of(kFtp);
        default:
            return {nullptr, nullptr, 0};
    }
}

}  // namespace

const ur_cmd_lengths* ur_cmd_table(int32_t board_type, int32_t* count) {
    const table_view view = tables_of(board_type);
    if (count != nullptr) *count = view.count;
    return view.lengths;
}

const char* const* ur_cmd_names(int32_t board_type, int32_t* count) {
    const table_view view = tables_of(board_type);
    if (count != nullptr) *count = view.count;
    return view.names;
}

const char* ur_board_cmd_name(int32_t board_type, uint8_t code) {
    const table_view view = tables_of(board_type);
    if (view.names == nullptr) return nullptr;
    return view.names[code < view.count ? code : 0];
}

uint8_t ur_ramp_data_cmd(int32_t board_type) {
    switch (board_type) {
        case INSTR_BD_UZ1:
            return UZ1_RAMP_DATA_CMD;
        case INSTR_BD_UZ2:
            return UZ2_RAMP_DATA_CMD;
        case INSTR_BD_NIF:
            return NIF_RAMP_DATA_CMD;
        case INSTR_BD_FTP:
            return FTP_RAMP_DATA_CMD;
        default:
            return 0;
    }
}

bool ur_is_uz_board(const sys_info* info) {
    return info != nullptr && tables_of(info->instrBdType).count > 0;
}

const char* ur_cmd_str(plat::port_handle port, uint8_t code) {
    const sys_info* info = sys_info_find_board_port(port);
    if (info == nullptr) return "INVALID_PARAM";
    const char* name = ur_board_cmd_name(info->instrBdType, code);
    if (name != nullptr) return name;
    gl_PrintFunc("ur_cmd_str: unknown instrBdType\n");
    return "";
}
