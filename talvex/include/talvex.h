/* Talvex: RSA encryption and decryption of short messages in PKCS#1 v1.5
 * type-2 blocks of 256 bytes, for keys of 2041 to 2048 bits.
 *
 * The caller owns every buffer and passes the key with every call; the library
 * keeps no state, so the functions may be called from several threads at once.
 * On Windows they use the stdcall convention and are exported by undecorated
 * name with ordinals 1 to 4 in the order declared below.
 *
 * The private-key functions run in constant time (their timing does not depend
 * on the key's secret values or on what they decrypt), blind the private
 * exponents afresh at every call, and check every result with the public
 * exponent: a computation fault gives TALVEX_KEY_FAILED, never a wrong result.
 *
 * A caller who decrypts ciphertexts that others send must not let them learn
 * which code came back, nor when: telling TALVEX_BLOCK_FAILED from success
 * (or from TALVEX_NO_ROOM) answers "is this a valid block?", and enough such
 * answers decrypt any ciphertext (the padding-oracle attack on PKCS#1 v1.5).
 * A message "encrypted" with the private key and opened with the public key
 * proves nothing about its sender: these are random-padded type-2 blocks,
 * not signatures. */
#ifndef TALVEX_H
#define TALVEX_H

#include <stdint.h>

#if defined(_WIN32)
#  define TALVEX_CALL __stdcall
#  if defined(TALVEX_BUILDING)
#    define TALVEX_API
#  else
#    define TALVEX_API __declspec(dllimport)
#  endif
#else
#  define TALVEX_CALL
#  define TALVEX_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The key record, 1412 bytes. Every integer is big-endian and right-aligned in
 * its field with zero leading bytes; `bits` is little-endian. The public-key
 * functions read only the first 516 bytes. */
typedef struct RsaKeyRecord {
    uint32_t bits;                 /* size of the modulus in bits */
    uint8_t modulus[256];          /* n */
    uint8_t publicExponent[256];   /* e; only its low 32 bits are used */
    uint8_t privateExponent[256];  /* d; not read */
    uint8_t primeP[128];           /* p */
    uint8_t primeQ[128];           /* q */
    uint8_t exponentP[128];        /* dP = d mod (p - 1) */
    uint8_t exponentQ[128];        /* dQ = d mod (q - 1) */
    uint8_t coefficient[128];      /* qInv = q^-1 mod p */
} RsaKeyRecord;

enum {
    TALVEX_KEY_RECORD_BYTES = 1412,
    TALVEX_KEY_OFFSET_BITS = 0,
    TALVEX_KEY_OFFSET_MODULUS = 4,
    TALVEX_KEY_OFFSET_PUBLIC_EXPONENT = 260,
    TALVEX_KEY_OFFSET_PRIVATE_EXPONENT = 516,
    TALVEX_KEY_OFFSET_PRIME_P = 772,
    TALVEX_KEY_OFFSET_PRIME_Q = 900,
    TALVEX_KEY_OFFSET_EXPONENT_P = 1028,
    TALVEX_KEY_OFFSET_EXPONENT_Q = 1156,
    TALVEX_KEY_OFFSET_COEFFICIENT = 1284,
    TALVEX_BLOCK_BYTES = 256,        /* ciphertext size, and the room encryption needs */
    TALVEX_MAX_MESSAGE_BYTES = 245   /* longest message that fits one block */
};

/* Return codes of all four functions. */
enum {
    TALVEX_OK = 0,              /* out holds *outLen bytes */
    TALVEX_KEY_FAILED = -1,     /* bad key record or size, bad input length, input not below the modulus,
                                   e below 3 or even, a prime below 3 or even, a failed result check,
                                   private key: no random numbers for the blinding */
    TALVEX_BLOCK_FAILED = -2,   /* encrypt: message too long, null or no random padding; decrypt: not a type-2 block */
    TALVEX_NO_ROOM = -3         /* outCap too small, or out / outLen null; nothing written */
};

/* Each function: in/inLen the message (encrypt) or big-endian ciphertext
 * (decrypt); out/outCap the caller's buffer; *outLen receives the bytes
 * written. out and *outLen are written only on success. */
TALVEX_API int TALVEX_CALL API_iRSA_encrypt_privateKey(const uint8_t* in, uint32_t inLen, uint8_t* out,
                                                      uint32_t outCap, uint32_t* outLen, const RsaKeyRecord* key);
TALVEX_API int TALVEX_CALL API_iRSA_encrypt_publicKey(const uint8_t* in, uint32_t inLen, uint8_t* out,
                                                     uint32_t outCap, uint32_t* outLen, const RsaKeyRecord* key);
TALVEX_API int TALVEX_CALL API_iRSA_decrypt_publicKey(const uint8_t* in, uint32_t inLen, uint8_t* out,
                                                     uint32_t outCap, uint32_t* outLen, const RsaKeyRecord* key);
TALVEX_API int TALVEX_CALL API_iRSA_decrypt_privateKey(const uint8_t* in, uint32_t inLen, uint8_t* out,
                                                      uint32_t outCap, uint32_t* outLen, const RsaKeyRecord* key);

#ifdef __cplusplus
}
#endif

#endif
