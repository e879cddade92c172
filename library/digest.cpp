#include "digest.h"

#include <openssl/evp.h>

#include <algorithm>

namespace kestrun {

void Digest::ContextFree::operator()(EVP_MD_CTX *context) const
{
    EVP_MD_CTX_free(context);
}

std::optional<Digest> Digest::named(const char *name)
{
    Digest digest;
    digest.m_md = EVP_get_digestbyname(name);
    digest.m_context.reset(EVP_MD_CTX_new());
    if (!digest.m_md || !digest.m_context)
        return std::nullopt;
    digest.m_bytes = uint32_t(EVP_MD_get_size(digest.m_md));
    digest.reset();
    return digest;
}

void Digest::reset()
{
    EVP_DigestInit_ex(m_context.get(), m_md, nullptr);
}

void Digest::update(const uint8_t *bytes, uint64_t count)
{
    // EVP takes a size_t; a range of the address space fits it on 64-bit
    // hosts, but a 32-bit one is fed in pieces.
    constexpr uint64_t kPiece = uint64_t(1) << 30;
    for (; count > 0;) {
        const uint64_t piece = std::min(count, kPiece);
        EVP_DigestUpdate(m_context.get(), bytes, size_t(piece));
        bytes += piece;
        count -= piece;
    }
}

bool Digest::final(uint8_t *out) const
{
    // A copy ends, so that the value can be read again and fed further.
    std::unique_ptr<EVP_MD_CTX, ContextFree> copy(EVP_MD_CTX_new());
    unsigned int size = 0;
    return copy && EVP_MD_CTX_copy_ex(copy.get(), m_context.get()) == 1
           && EVP_DigestFinal_ex(copy.get(), out, &size) == 1;
}

} // namespace kestrun
