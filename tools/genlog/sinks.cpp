#include "tools/genlog/genlog.h"

#include <zlib.h>

namespace genlog {

bool FileSink::write(const char* data, std::size_t size)
{
    return std::fwrite(data, 1, size, m_f) == size;
}

bool FileSink::finish()
{
    return std::fflush(m_f) == 0 && !std::ferror(m_f);
}

GzipSink::GzipSink(Sink& inner, int level) : m_inner(inner), m_out(256 << 10)
{
    auto* z = new z_stream{};
    m_stream = z;
    // windowBits 15 + 16: a gzip wrapper with no name and modification time 0.
    m_ok = deflateInit2(z, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

GzipSink::~GzipSink()
{
    auto* z = static_cast<z_stream*>(m_stream);
    deflateEnd(z);
    delete z;
}

bool GzipSink::pump(int flush)
{
    auto* z = static_cast<z_stream*>(m_stream);
    int rc;
    do {
        z->next_out = m_out.data();
        z->avail_out = uInt(m_out.size());
        rc = deflate(z, flush);
        if (rc == Z_STREAM_ERROR)
            return m_ok = false;
        const std::size_t have = m_out.size() - z->avail_out;
        if (have && !m_inner.write(reinterpret_cast<const char*>(m_out.data()), have))
            return m_ok = false;
    } while (z->avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
    return true;
}

bool GzipSink::write(const char* data, std::size_t size)
{
    auto* z = static_cast<z_stream*>(m_stream);
    while (m_ok && size > 0) {
        const std::size_t chunk = size < (1u << 30) ? size : (1u << 30);
        z->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        z->avail_in = uInt(chunk);
        if (!pump(Z_NO_FLUSH))
            break;
        data += chunk;
        size -= chunk;
    }
    return m_ok;
}

bool GzipSink::finish()
{
    if (!m_ok)
        return false;
    auto* z = static_cast<z_stream*>(m_stream);
    z->next_in = nullptr;
    z->avail_in = 0;
    return pump(Z_FINISH) && m_inner.finish();
}

} // namespace genlog
