// A message digest (SHA-256, SHA-1, SHA-512, MD5) through libcrypto's EVP
// interface, fed as a check is fed and read without ending it.
#ifndef KESTRUN_DIGEST_H
#define KESTRUN_DIGEST_H

#include <cstdint>
#include <memory>
#include <optional>

struct evp_md_st;
struct evp_md_ctx_st;

namespace kestrun {

class Digest {
public:
    // libcrypto's name of the algorithm ("SHA256"); none when libcrypto
    // does not know it or memory is short.
    static std::optional<Digest> named(const char *name);

    uint32_t bytes() const { return m_bytes; }
    void reset();
    void update(const uint8_t *bytes, uint64_t count);
    // The digest of the bytes so far into out[0..bytes()); more may follow.
    // False when memory is short.
    bool final(uint8_t *out) const;

private:
    struct ContextFree {
        void operator()(evp_md_ctx_st *context) const;
    };

    const evp_md_st *m_md = nullptr;
    uint32_t m_bytes = 0;
    std::unique_ptr<evp_md_ctx_st, ContextFree> m_context;
};

} // namespace kestrun

#endif
