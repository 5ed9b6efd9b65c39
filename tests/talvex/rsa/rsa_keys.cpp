#include "rsa_keys.h"

#include <openssl/core_names.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <stdexcept>

namespace talvex_test {

namespace {

constexpr std::size_t kMinPaddingBytes = 8;
constexpr std::size_t kBlockBytes = TALVEX_BLOCK_BYTES;

struct CtxFree {
    void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); }
};
using Ctx = std::unique_ptr<EVP_PKEY_CTX, CtxFree>;

Bignum Param(EVP_PKEY* k, const char* name)
{
    BIGNUM* v = nullptr;
    if (EVP_PKEY_get_bn_param(k, name, &v) != 1)
        throw std::runtime_error(std::string("no key parameter ") + name);
    return Bignum(v);
}

void Put(const BIGNUM* v, std::uint8_t* field, std::size_t size)
{
    if (BN_bn2binpad(v, field, static_cast<int>(size)) < 0)
        throw std::runtime_error("key value does not fit its field");
}

} // namespace

TestKey GenerateKey(unsigned bits, std::uint32_t e)
{
    Ctx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    Bignum exponent(BN_new());
    BN_set_word(exponent.get(), e);
    EVP_PKEY* raw = nullptr;
    if (!ctx || EVP_PKEY_keygen_init(ctx.get()) != 1 || EVP_PKEY_CTX_set_rsa_keygen_bits(ctx.get(), bits) != 1 ||
        EVP_PKEY_CTX_set1_rsa_keygen_pubexp(ctx.get(), exponent.get()) != 1 || EVP_PKEY_keygen(ctx.get(), &raw) != 1)
        throw std::runtime_error("RSA key generation failed");
    TestKey key;
    key.pkey.reset(raw);
    key.bits = bits;
    key.n = Param(raw, OSSL_PKEY_PARAM_RSA_N);
    key.e = Param(raw, OSSL_PKEY_PARAM_RSA_E);
    key.d = Param(raw, OSSL_PKEY_PARAM_RSA_D);
    RsaKeyRecord& r = key.record;
    r.bits = bits;
    Put(key.n.get(), r.modulus, sizeof r.modulus);
    Put(key.e.get(), r.publicExponent, sizeof r.publicExponent);
    Put(key.d.get(), r.privateExponent, sizeof r.privateExponent);
    Put(Param(raw, OSSL_PKEY_PARAM_RSA_FACTOR1).get(), r.primeP, sizeof r.primeP);
    Put(Param(raw, OSSL_PKEY_PARAM_RSA_FACTOR2).get(), r.primeQ, sizeof r.primeQ);
    Put(Param(raw, OSSL_PKEY_PARAM_RSA_EXPONENT1).get(), r.exponentP, sizeof r.exponentP);
    Put(Param(raw, OSSL_PKEY_PARAM_RSA_EXPONENT2).get(), r.exponentQ, sizeof r.exponentQ);
    Put(Param(raw, OSSL_PKEY_PARAM_RSA_COEFFICIENT1).get(), r.coefficient, sizeof r.coefficient);
    return key;
}

namespace {

bool Crypt(const TestKey& key, const Bytes& in, bool encrypt, Bytes* out)
{
    out->clear();
    Ctx ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key.pkey.get(), nullptr));
    if (!ctx)
        return false;
    const int init = encrypt ? EVP_PKEY_encrypt_init(ctx.get()) : EVP_PKEY_decrypt_init(ctx.get());
    if (init != 1 || EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) != 1)
        return false;
    std::size_t len = 0;
    auto run = [&](std::uint8_t* buf) {
        return encrypt ? EVP_PKEY_encrypt(ctx.get(), buf, &len, in.data(), in.size())
                       : EVP_PKEY_decrypt(ctx.get(), buf, &len, in.data(), in.size());
    };
    if (run(nullptr) != 1)
        return false;
    out->resize(len);
    if (run(out->data()) != 1) {
        out->clear();
        return false;
    }
    out->resize(len);
    return true;
}

} // namespace

Bytes OpensslEncrypt(const TestKey& key, const Bytes& msg)
{
    Bytes out;
    Crypt(key, msg, true, &out);
    return out;
}

Bytes OpensslDecrypt(const TestKey& key, const Bytes& cipher)
{
    Bytes out;
    Crypt(key, cipher, false, &out);
    return out;
}

bool OpensslDecrypts(const TestKey& key, const Bytes& cipher, Bytes* msg)
{
    return Crypt(key, cipher, false, msg);
}

Bytes RawPower(const TestKey& key, const Bytes& x, const BIGNUM* power)
{
    std::unique_ptr<BN_CTX, void (*)(BN_CTX*)> ctx(BN_CTX_new(), BN_CTX_free);
    Bignum v(BN_bin2bn(x.data(), static_cast<int>(x.size()), nullptr));
    BN_mod_exp(v.get(), v.get(), power, key.n.get(), ctx.get());
    Bytes out((key.bits + 7) / 8);
    BN_bn2binpad(v.get(), out.data(), static_cast<int>(out.size()));
    return out;
}

Bytes NotABlock(const TestKey& key, std::uint8_t seed)
{
    Bytes v = Message(kBlockBytes, seed);
    v[0] = 0x01;
    return RawPower(key, v, key.e.get());
}

std::string Hex(const Bytes& b)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (std::uint8_t v : b) {
        s += digits[v >> 4];
        s += digits[v & 0xF];
    }
    return s;
}

Bytes Message(std::size_t len, std::uint8_t seed)
{
    Bytes m(len);
    for (std::size_t i = 0; i < len; ++i)
        m[i] = static_cast<std::uint8_t>(seed + 31 * i);
    return m;
}

std::string CheckType2Block(const Bytes& block, const Bytes& msg)
{
    if (block.size() != kBlockBytes)
        return "block of " + std::to_string(block.size()) + " bytes";
    if (block[0] != 0x00 || block[1] != 0x02)
        return "block starts " + Hex(Bytes(block.begin(), block.begin() + 2));
    const std::size_t sep = kBlockBytes - msg.size() - 1;
    for (std::size_t i = 2; i < sep; ++i) {
        if (block[i] == 0)
            return "zero padding byte at offset " + std::to_string(i);
    }
    if (sep < 2 + kMinPaddingBytes)
        return "padding shorter than eight bytes";
    if (block[sep] != 0)
        return "no separator at offset " + std::to_string(sep);
    if (!std::equal(msg.begin(), msg.end(), block.begin() + sep + 1))
        return "message differs: " + Hex(Bytes(block.begin() + sep + 1, block.end())) + " vs " + Hex(msg);
    return {};
}

} // namespace talvex_test
