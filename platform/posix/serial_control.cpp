// The device-control record on POSIX. Baud rate, byte size, parity, parity
// checking, stop bits, XON/XOFF with their characters, and CTS output flow
// live in termios; the backend keeps the fields that have no termios bit
// (limits, DSR handling, error characters, abort-on-error, the DTR and RTS
// control modes) and gives them back as written. One and a half stop bits
// have no termios setting: the line gets two and the record keeps the value.
// A driver that does not hold byte size and parity (a pseudo-terminal always
// carries 8-bit bytes) has them kept by the record the same way.
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>
#include <cstdint>

#include "platform/posix/serial_registry.h"
#include "platform/serial_port.h"

namespace plat {
namespace {

struct speed_entry {
    uint32_t baud;
    speed_t code;
};

constexpr speed_entry kSpeeds[] = {
    {50, B50},           {75, B75},         {110, B110},       {134, B134},     {150, B150},
    {200, B200},         {300, B300},       {600, B600},       {1200, B1200},   {1800, B1800},
    {2400, B2400},       {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
    {57600, B57600},     {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B500000
    {500000, B500000},
#endif
#ifdef B576000
    {576000, B576000},
#endif
#ifdef B921600
    {921600, B921600},
#endif
#ifdef B1000000
    {1000000, B1000000},
#endif
#ifdef B1152000
    {1152000, B1152000},
#endif
#ifdef B1500000
    {1500000, B1500000},
#endif
#ifdef B2000000
    {2000000, B2000000},
#endif
#ifdef B2500000
    {2500000, B2500000},
#endif
#ifdef B3000000
    {3000000, B3000000},
#endif
#ifdef B3500000
    {3500000, B3500000},
#endif
#ifdef B4000000
    {4000000, B4000000},
#endif
};

bool speed_code(uint32_t baud, speed_t* code) {
    for (const speed_entry& entry : kSpeeds) {
        if (entry.baud == baud) {
            *code = entry.code;
            return true;
        }
    }
    return false;
}

uint32_t speed_baud(speed_t code) {
    for (const speed_entry& entry : kSpeeds) {
        if (entry.code == code) return entry.baud;
    }
    return 0;
}

bool has(tcflag_t flags, tcflag_t bit) {
    return (flags & bit) != 0;
}

void set_bit(tcflag_t* flags, tcflag_t bit, bool on) {
    if (on) {
        *flags |= bit;
    } else {
        *flags &= ~bit;
    }
}

tcflag_t size_bits(uint8_t byte_size) {
    switch (byte_size) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

uint8_t byte_size_of(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

uint8_t parity_of(tcflag_t cflag) {
    if (!has(cflag, PARENB)) return kParityNone;
#ifdef CMSPAR
    if (has(cflag, CMSPAR)) return has(cflag, PARODD) ? kParityMark : kParitySpace;
#endif
    return has(cflag, PARODD) ? kParityOdd : kParityEven;
}

bool set_parity(tcflag_t* cflag, uint8_t parity) {
    set_bit(cflag, PARENB, parity != kParityNone);
    set_bit(cflag, PARODD, parity == kParityOdd || parity == kParityMark);
#ifdef CMSPAR
    set_bit(cflag, CMSPAR, parity == kParityMark || parity == kParitySpace);
#else
    if (parity == kParityMark || parity == kParitySpace) return false;
#endif
    return true;
}

bool valid(const serial_control& control) {
    if (control.byte_size < 5 || control.byte_size > 8) return false;
    if (control.parity > kParitySpace || control.stop_bits > kTwoStopBits) return false;
    if (control.dtr_control > kDtrControlHandshake) return false;
    if (control.rts_control > kRtsControlToggle) return false;
    if ((control.in_x || control.out_x) && control.xon_char == control.xoff_char) return false;
    return true;
}

// Whether the line holds every requested setting that a terminal always
// keeps: speed, stop bits, flow control and its characters, parity checking.
bool holds_line(const termios& applied, const termios& wanted) {
    constexpr tcflag_t kCflags = CSTOPB | CRTSCTS;
    constexpr tcflag_t kIflags = INPCK | IXON | IXOFF;
    return ::cfgetospeed(&applied) == ::cfgetospeed(&wanted) &&
           (applied.c_cflag & kCflags) == (wanted.c_cflag & kCflags) &&
           (applied.c_iflag & kIflags) == (wanted.c_iflag & kIflags) &&
           applied.c_cc[VSTART] == wanted.c_cc[VSTART] && applied.c_cc[VSTOP] == wanted.c_cc[VSTOP];
}

// The modem lines follow the control modes; lines without modem control
// (pseudo-terminals) refuse, which changes nothing else.
void drive_modem_lines(int fd, const serial_control& control) {
    int dtr = TIOCM_DTR;
    ::ioctl(fd, control.dtr_control == kDtrControlDisable ? TIOCMBIC : TIOCMBIS, &dtr);
    // With CTS output flow the driver handles RTS itself. RTS handshake
    // without it has no termios form; RTS then stays raised.
    if (control.outx_cts_flow) return;
    int rts = TIOCM_RTS;
    ::ioctl(fd, control.rts_control == kRtsControlDisable ? TIOCMBIC : TIOCMBIS, &rts);
}

}  // namespace

bool serial_get_control(port_handle port, serial_control* control) {
    if (control == nullptr || port < 0 || port > INT32_MAX) return false;
    const int fd = static_cast<int>(port);
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) return false;
    const posix_serial::port_state state = posix_serial::load_state(fd);
    *control = state.kept;
    control->baud_rate = speed_baud(::cfgetospeed(&settings));
    if (!state.framing_kept) {
        control->byte_size = byte_size_of(settings.c_cflag);
        control->parity = parity_of(settings.c_cflag);
    }
    control->parity_check = has(settings.c_iflag, INPCK);
    if (has(settings.c_cflag, CSTOPB)) {
        control->stop_bits = state.one_and_half_stop_bits ? kOneAndHalfStopBits : kTwoStopBits;
    } else {
        control->stop_bits = kOneStopBit;
    }
    control->out_x = has(settings.c_iflag, IXON);
    control->in_x = has(settings.c_iflag, IXOFF);
    control->xon_char = static_cast<char>(settings.c_cc[VSTART]);
    control->xoff_char = static_cast<char>(settings.c_cc[VSTOP]);
    control->outx_cts_flow = has(settings.c_cflag, CRTSCTS);
    return true;
}

bool serial_set_control(port_handle port, const serial_control& control) {
    if (port < 0 || port > INT32_MAX || !valid(control)) return false;
    speed_t speed = B0;
    if (!speed_code(control.baud_rate, &speed)) return false;
    const int fd = static_cast<int>(port);
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) return false;

    if (::cfsetospeed(&settings, speed) != 0 || ::cfsetispeed(&settings, speed) != 0) return false;
    settings.c_cflag =
        (settings.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | size_bits(control.byte_size);
    if (!set_parity(&settings.c_cflag, control.parity)) return false;
    set_bit(&settings.c_cflag, CSTOPB, control.stop_bits != kOneStopBit);
    set_bit(&settings.c_cflag, CRTSCTS, control.outx_cts_flow);
    settings.c_cflag |= static_cast<tcflag_t>(CREAD | CLOCAL);
    // Parity errors: checked bytes arrive as they are read by the driver
    // (no marking, no stripping); without checking they pass untouched.
    set_bit(&settings.c_iflag, INPCK, control.parity_check);
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNPAR | PARMRK | ISTRIP);
    set_bit(&settings.c_iflag, IXON, control.out_x);
    set_bit(&settings.c_iflag, IXOFF, control.in_x);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXANY);
    settings.c_cc[VSTART] = static_cast<cc_t>(control.xon_char);
    settings.c_cc[VSTOP] = static_cast<cc_t>(control.xoff_char);
    // Some drivers refuse a whole request (EINVAL) when they cannot hold part
    // of it, yet apply the rest; what counts is what the line holds after.
    if (::tcsetattr(fd, TCSANOW, &settings) != 0 && errno != EINVAL) return false;
    termios applied{};
    if (::tcgetattr(fd, &applied) != 0 || !holds_line(applied, settings)) return false;
    const bool framing_held = byte_size_of(applied.c_cflag) == control.byte_size &&
                              parity_of(applied.c_cflag) == control.parity;

    drive_modem_lines(fd, control);
    posix_serial::change_state(fd, [&](posix_serial::port_state& state) {
        state.kept = control;
        state.one_and_half_stop_bits = control.stop_bits == kOneAndHalfStopBits;
        state.framing_kept = !framing_held;
    });
    return true;
}

}  // namespace plat
