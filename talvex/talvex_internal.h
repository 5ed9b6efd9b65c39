// Talvex internals: the number record, the arithmetic beneath the RSA key
// operations, the type-2 block coding and the platform helpers. Every contract
// is written here, once.
//
// Timing: the private-key operation and the unpadding of what it decrypts run
// in constant time: no branch and no memory address depends on the primes,
// the CRT exponents, qInv, the ciphertext's residues or any value computed
// from them. "CT:" names what the timing of such a routine does depend on
// (limb counts, public values). The number record routines are variable-time
// ("VT:" names the inputs their timing depends on; where none is named, it is
// their operands' lengths); the key operations run on the limb layer.
#pragma once

#include "talvex.h"

#include <cstddef>
#include <cstdint>

namespace talvex {

// ---------------------------------------------------------------------------
// Sizes and codes
// ---------------------------------------------------------------------------

constexpr std::size_t kWordBits = 32;
constexpr std::size_t kWordBytes = 4;
// A 2048-bit value plus two words of headroom.
constexpr std::size_t kFullWords = 66;
// The primes, CRT exponents and values modulo a prime.
constexpr std::size_t kHalfWords = 33;
constexpr std::size_t kHalfFieldWords = 32;
constexpr std::size_t kMontAccumulatorWords = 2 * kFullWords;

constexpr int kErrMagnitudeTooSmall = -10;  // subtrahend larger, or negative modulus
constexpr int kErrDivideByZero = -12;
constexpr int kErrBadModulus = -4;          // exponentiation modulus negative or even, exponent negative

constexpr int kRsaErrInputRange = 139;  // input not below the modulus
constexpr int kRsaErrKeyRefused = 140;  // e below 3 or even, a prime below 3 or even, n even
constexpr int kRsaErrFault = 141;       // the private-key result failed its check with e
constexpr int kRsaErrNoRandom = 142;    // the blinding found no random source
constexpr int kRsaErrKernelRefused = 143;  // TALVEX_KERNEL names a kernel that cannot run here
constexpr std::uint32_t kPublicExponentMin = 3;

constexpr std::size_t kKeyFieldBytes = 256;
constexpr std::size_t kKeyHalfFieldBytes = 128;
constexpr std::uint32_t kKeyMinBits = 508;
constexpr std::uint32_t kKeyMaxBits = 2048;

constexpr std::size_t kBlockBytes = TALVEX_BLOCK_BYTES;
// 0x00, 0x02, at least eight padding bytes, the 0x00 separator.
constexpr std::size_t kBlockOverheadBytes = 11;
constexpr std::size_t kBlockMinPaddingBytes = 8;
constexpr std::size_t kBlockMinSeparatorOffset = 2 + kBlockMinPaddingBytes;
constexpr std::uint8_t kBlockLeadByte = 0x00;
constexpr std::uint8_t kBlockTypePublicPadding = 0x02;
constexpr std::uint8_t kBlockSeparator = 0x00;

// Byte results of the block routines (the exports only test them for zero).
constexpr std::uint8_t kBlockOk = 0;
constexpr std::uint8_t kBlockFailed = 1;    // decoder: not a type-2 block; key operation: it failed
constexpr std::uint8_t kBlockNoRandom = 2;  // encoder: the random source failed
constexpr std::uint8_t kBlockRefused = 139; // a parameter check failed

// ---------------------------------------------------------------------------
// The number record
// ---------------------------------------------------------------------------

// A signed number over 32-bit words, least significant first. The caller owns
// the storage (66 words full size, 33 half size), zero-fills it before use and
// keeps the words above `length` zero: several routines read above the length
// or grow into it. Normal form: top word non-zero, zero is length 1, word 0.
// Every routine here keeps those rules for the records it writes.
struct BigNum {
    std::uint8_t sign;      // 0 non-negative, 1 negative
    std::uint8_t length;    // words in use, 1 to 255
    std::uint32_t* words;
};

// Drops zero top words; zero becomes length 1 with sign 0.
void BigNormalise(BigNum* a);

// r = w (length 1, sign 0); the words r used to hold above word 0 are cleared.
void BigSetWord(BigNum* r, std::uint32_t w);

// Copies a into r (sign, length, words). r's storage must hold a's length;
// r's words above the new length are cleared. r may be a.
void BigCopy(BigNum* r, const BigNum* a);

// Significant bits of |a|, 0 for zero.
std::size_t BigBitLength(const BigNum* a);

// r = the big-endian byte string; only the last 4 x maxWords bytes count.
// r's sign is left as it was. r's storage must hold maxWords words.
void BigFromBytes(BigNum* r, std::size_t maxWords, const std::uint8_t* bytes, std::size_t len);

// Writes the low len bytes of a (its first `words` words), big-endian,
// right-aligned, leading bytes zero.
void BigToBytes(const BigNum* a, std::size_t words, std::uint8_t* buf, std::size_t len);

// a = a x 2^bits in place. a's storage must hold the grown length.
void BigShiftLeft(BigNum* a, std::size_t bits);

// a = floor(|a| / 2^bits) in place, the sign kept unless the result is zero.
void BigShiftRight(BigNum* a, std::size_t bits);

// ---------------------------------------------------------------------------
// Compare, add, subtract (operands in normal form; r may alias an operand)
// ---------------------------------------------------------------------------

int BigCmpMag(const BigNum* a, const BigNum* b);  // 1, 0, -1 by magnitude
int BigCmp(const BigNum* a, const BigNum* b);     // 1, 0, -1 by signed value
int BigCmpWord(const BigNum* a, std::uint32_t w);      // BigCmp against w >= 0

// r = |a| + |b|, sign 0. The sum must fit in 66 words.
void BigAddMag(BigNum* r, const BigNum* a, const BigNum* b);

// x = x - y over count words, the borrow running on into x's higher words.
// Requires x >= y as numbers (else the borrow runs past x's storage).
void BigSubWords(std::uint32_t* x, const std::uint32_t* y, std::size_t count);

// r = |a| - |b|, sign 0; kErrMagnitudeTooSmall (r untouched) when |a| < |b|.
int BigSubMag(BigNum* r, const BigNum* a, const BigNum* b);

// Signed sum and difference; results must fit in 66 words. A zero produced
// from operands of equal magnitude keeps the sign that the sign rule gives.
int BigAdd(BigNum* r, const BigNum* a, const BigNum* b);
int BigSub(BigNum* r, const BigNum* a, const BigNum* b);

// ---------------------------------------------------------------------------
// Multiply and divide
// ---------------------------------------------------------------------------

// acc[0..count] += x[0..count-1] x w, the final carry running on into acc's
// higher words until none is left. acc must not overlap x.
void BigMulAddWord(const std::uint32_t* x, std::size_t count, std::uint32_t* acc, std::uint32_t w);

// r = a x b; the operands' lengths may sum to at most 66 words. Returns 0.
int BigMul(BigNum* r, const BigNum* a, const BigNum* b);

// r = a x w; a has at most 65 words. Returns 0.
int BigMulWord(BigNum* r, const BigNum* a, std::uint32_t w);

// r = a - b x trunc(a / b), with the sign of a (0 for zero);
// kErrDivideByZero when b is zero. a and b up to 66 words. VT: a, b.
int BigDivMod(BigNum* r, const BigNum* a, const BigNum* b);

// 0 <= r < m with r = a mod m; kErrMagnitudeTooSmall when m is negative,
// kErrDivideByZero when it is zero. VT: a, m.
int BigMod(BigNum* r, const BigNum* a, const BigNum* m);

// ---------------------------------------------------------------------------
// Montgomery arithmetic and exponentiation (k = length of the odd modulus n)
// ---------------------------------------------------------------------------

// -n^-1 mod 2^32 from n's lowest word, which must be odd.
std::uint32_t BigMontNPrime(std::uint32_t lowWord);

// a = a x b x R^-1 mod n in place, R = 2^(32k), with one final subtraction of
// n: the result is below n when a < R and b < n. Only a's words 0 to k-1 and
// b's words 0 to min(length b, k)-1 are read; a's storage must hold k + 1
// words (k <= 65). b may be a. VT: a, b, n (final subtraction).
void BigMontMul(BigNum* a, const BigNum* b, const BigNum* n, std::uint32_t nPrime);

// a = a x R^-1 mod n (BigMontMul by 1).
void BigMontFrom(const BigNum* n, BigNum* a, std::uint32_t nPrime);

// r = R^2 mod n = 2^(64k) mod n by doublings and Montgomery squarings on
// limbs (LimbsPowerOfTwoMod); r has 66 words of storage, n at most 65 words.
// kErrBadModulus (r untouched) when n is even. CT: k.
int BigMontR2(BigNum* r, const BigNum* n);

// Window width of the sliding-window exponentiation for an exponent of this
// many bits: 1 up to 23 bits, 2 to 79, 3 to 239, 4 beyond.
std::size_t BigWindowBits(std::size_t exponentBits);

// r = base^e mod n (1 mod n for e = 0); kErrBadModulus when n is negative,
// even or longer than 65 words, or e is negative; errors of BigMontR2/BigMod
// passed on. r's storage must hold n's length. Working storage lives on the caller's
// stack and is wiped before returning, so calls may run in parallel.
// VT: base, e, n.
int BigModExp(BigNum* r, const BigNum* base, const BigNum* e, const BigNum* n);

} // namespace talvex

// The constant-time limb layer beneath the private-key operation.
#include "talvex_limbs.h"

namespace talvex {

// ---------------------------------------------------------------------------
// RSA key operations on a key record
// ---------------------------------------------------------------------------

// The record's bits field (little-endian, read bytewise: callers may pass an
// unaligned record). CT.
std::uint32_t RsaKeyBits(const RsaKeyRecord* key);

// The record's public exponent: the low 32 bits of its field. CT.
std::uint32_t RsaPublicExponent(const RsaKeyRecord* key);

// The field at this byte offset of the record.
const std::uint8_t* RsaKeyField(const RsaKeyRecord* key, std::size_t offset);

// The length of a key operation's result: (bits + 7) / 8 bytes.
std::size_t RsaResultBytes(const RsaKeyRecord* key);

// out = in^e mod n on the limb layer (the IFMA kernel for a 2048-bit n where
// the processor has it); writes (bits + 7) / 8 bytes and that length to
// *outLen. kRsaErrInputRange when in >= n, kRsaErrKeyRefused when e is below
// 3 or even, or n is even or below 3. len <= 256. Out is written only on
// success. The input is wiped from the working storage. CT: n's length; e.
int RsaPublicOp(std::size_t len, const std::uint8_t* in, std::uint32_t* outLen, std::uint8_t* out,
                const RsaKeyRecord* key);

// out = in^d mod n by Garner's CRT form from p, q, dP, dQ, qInv, with fresh
// exponent blinding (dP + k (p - 1), dQ + k' (q - 1), k and k' of 64 random
// bits), and checked before it leaves: out^e must give in back. As
// RsaPublicOp; besides kRsaErrKeyRefused for a prime below 3 or even or an
// even n, kRsaErrNoRandom when the random source fails, kRsaErrFault when the
// check fails. The result is identical to the plain m^d mod n. Key material
// and intermediates are wiped before returning. `kernel` kPortable keeps to
// the portable exponentiation; kBest takes BestKernel(), and fails with
// kRsaErrKernelRefused when that was refused.
// CT: the limb counts of n, p, q, dP, dQ; e; whether it fails.
int RsaPrivateOpWith(PowerKernel kernel, std::size_t len, const std::uint8_t* in, std::uint32_t* outLen,
                     std::uint8_t* out, const RsaKeyRecord* key);
int RsaPrivateOp(std::size_t len, const std::uint8_t* in, std::uint32_t* outLen, std::uint8_t* out,
                 const RsaKeyRecord* key);

#if defined(TALVEX_FAULT_HOOK)
// Test builds only: called with each CRT half (0: modulo p, 1: modulo q) as
// soon as it is computed, so that a test can corrupt it. Null: none.
using FaultHook = void (*)(int half, Limb* value, std::size_t limbs);
void SetFaultHook(FaultHook hook);
#endif

// Parameter checks, then the key operation: kBlockRefused for a null pointer,
// key bits outside 508..2048, inLen 0 or above (bits + 7) / 8; kBlockFailed
// when the operation fails; kBlockOk otherwise. res needs (bits + 7) / 8
// bytes. Timing: as the operation (VT for the public one, CT for the private
// one), besides which check refused.
std::uint8_t RsaPublicBlock(std::uint32_t inLen, const std::uint8_t* in, std::uint32_t* resLen, std::uint8_t* res,
                       const RsaKeyRecord* key);
std::uint8_t RsaPrivateBlock(std::uint32_t inLen, const std::uint8_t* in, std::uint32_t* resLen, std::uint8_t* res,
                        const RsaKeyRecord* key);

// ---------------------------------------------------------------------------
// PKCS#1 v1.5 type-2 blocks
// ---------------------------------------------------------------------------

// Fills buf with len bytes from a random source; false when it failed.
using RandomSource = bool (*)(std::uint8_t* buf, std::size_t len);

// The operating system's CSPRNG (getrandom, BCryptGenRandom).
bool SystemRandomBytes(std::uint8_t* buf, std::size_t len);

// dst[0..k) = 00 02 padding 00 msg, with k - len - 3 non-zero padding bytes
// from `random` (zero bytes are redrawn). kBlockRefused for a null pointer,
// k outside 11..256 or len > k - 11; kBlockNoRandom when the source fails or
// keeps returning zeros. dst is written only on success. VT: how many zero
// bytes the source gives (random, not the message).
std::uint8_t Pkcs1Type2Encode(std::size_t len, const std::uint8_t* msg, std::size_t k, std::uint8_t* dst,
                         RandomSource random);

// Pkcs1Type2Encode with the system random source.
std::uint8_t EA_ucPKCS1_5RASEncode(std::size_t len, const std::uint8_t* msg, std::size_t k, std::uint8_t* dst);

// Extracts the message of a type-2 block: kBlockRefused for a null pointer or
// blkLen != k; kBlockFailed when the block does not start 00 02, or its first
// 0x00 byte from offset 2 on is not at offsets 10 to k - 1 (fewer than eight
// padding bytes, a zero inside them, or no separator at all), as PKCS#1 v1.5
// requires. dst needs k - 11 bytes of room; dst and dstLen are written only
// on success. The whole block is scanned once and
// the result decided at the end. CT: k; the result code.
std::uint8_t EA_ucPKCS1_5RASEncodeGetData(const std::uint8_t* blk, std::size_t blkLen, std::size_t k,
                                     std::uint8_t* dst, std::size_t* dstLen);

// ---------------------------------------------------------------------------
// Secrets
// ---------------------------------------------------------------------------

// Zeroes len bytes at p in a way the compiler cannot drop as a dead store.
void SecureWipe(void* p, std::size_t len);

} // namespace talvex
