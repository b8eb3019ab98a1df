// A binary octet stream over a growable buffer: what std::stringstream does
// for the codec, without its extra locale and string copies. Everything
// written can be read back from the start.
#pragma once

#include <istream>
#include <streambuf>
#include <string>
#include <string_view>

namespace PduLib {

class OctetBuffer final : public std::streambuf {
public:
    OctetBuffer() : data_(192, '\0') { setAreas(0, 0); }
    explicit OctetBuffer(std::string_view octets) : data_(octets) { setAreas(data_.size(), 0); }

    // Empties the buffer (keeping its storage) for the next message.
    void reset() { setAreas(0, 0); }

    // The octets written so far (or given at construction).
    std::string_view octets() const {
        return std::string_view(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) {
            return traits_type::not_eof(c);
        }
        const auto written = static_cast<std::size_t>(pptr() - pbase());
        const auto read = static_cast<std::size_t>(gptr() - eback());
        data_.resize(2 * data_.size() + 64);
        setAreas(written, read);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }

    int_type underflow() override {
        if (gptr() < pptr()) {
            setg(eback(), gptr(), pptr());
            return traits_type::to_int_type(*gptr());
        }
        return traits_type::eof();
    }

private:
    void setAreas(std::size_t written, std::size_t read) {
        char* base = &data_[0];
        setp(base, base + data_.size());
        pbump(static_cast<int>(written));
        setg(base, base + read, base + written);
    }

    std::string data_;
};

namespace detail {
// Holds the buffer so that it is built before the stream that uses it.
struct OctetBufferHolder {
    OctetBufferHolder() = default;
    explicit OctetBufferHolder(std::string_view octets) : buffer(octets) {}
    OctetBuffer buffer;
};
}  // namespace detail

class OctetStream final : private detail::OctetBufferHolder, public std::iostream {
public:
    OctetStream() : std::iostream(&buffer) {}
    explicit OctetStream(std::string_view octets)
        : detail::OctetBufferHolder(octets), std::iostream(&buffer) {}
    std::string_view octets() const { return buffer.octets(); }
    // Empty and good again, ready for the next message.
    void reset() {
        buffer.reset();
        clear();
    }
};

}  // namespace PduLib
