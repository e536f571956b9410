// velmora: the pose: written as text and read back bit for bit, refused whole when it is not sound.
#include "modes/pose.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "shell/velmora.h"
#include "view/camera.h"

namespace {

const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// Doubles in the camera part: vfar, then up, eye and right.
constexpr int cameraDoubles = 10;

// `right` is not among what the camera's rebuild watches, but it turns with the same rounding: ten
// million random turns by keys and pointer never took it 0.75e-9 from up x eye. A margin over that.
constexpr double rightLimit = 4 * genericDriftLimit;

// Base64url characters for `bytes` bytes, without padding.
constexpr std::size_t encodedLength(std::size_t bytes)
{
    return (bytes * 4 + 2) / 3;
}

static_assert(poseTextSize == 4 + encodedLength(8 * cameraDoubles) + 5 + encodedLength(8 * maxGimbals) + 1,
              "room for '1.m.', the camera, '.126.', 127 angles and the NUL");

// Appends the base64url of `bytes` bytes at `out`; returns the end.
char *encode(const unsigned char *bytes, std::size_t count, char *out)
{
    for (std::size_t i = 0; i < count; i += 3) {
        const std::size_t left = count - i;
        const unsigned bits = bytes[i] << 16 | (left > 1 ? bytes[i + 1] << 8 : 0) | (left > 2 ? bytes[i + 2] : 0);
        for (std::size_t k = 0; k < 4 && k <= left; ++k)
            *out++ = alphabet[bits >> (18 - 6 * k) & 63];
    }
    return out;
}

// Decodes `length` base64url characters into exactly `count` bytes. Only the text encode
// writes for them is accepted (no padding, unused bits zero), so what is read writes back
// to the same text.
bool decode(const char *text, std::size_t length, unsigned char *bytes, std::size_t count)
{
    if (length != encodedLength(count))
        return false;
    unsigned bits = 0;
    int held = 0;
    std::size_t written = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const char *at = text[i] == '\0' ? nullptr : std::strchr(alphabet, text[i]);
        if (at == nullptr)
            return false;
        bits = (bits << 6 | static_cast<unsigned>(at - alphabet)) & 0xffffff;
        held += 6;
        if (held >= 8) {
            held -= 8;
            bytes[written++] = static_cast<unsigned char>(bits >> held);
        }
    }
    return (bits & ((1u << held) - 1)) == 0;
}

// A double as its eight IEEE 754 bytes, least significant first, and back.
void putDouble(double value, unsigned char *bytes)
{
    std::uint64_t word;
    std::memcpy(&word, &value, sizeof word);
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<unsigned char>(word >> (8 * i));
}

double getDouble(const unsigned char *bytes)
{
    std::uint64_t word = 0;
    for (int i = 0; i < 8; ++i)
        word |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    double value;
    std::memcpy(&value, &word, sizeof value);
    return value;
}

bool finite(Vec3 v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The end of the part that starts at `text`: the next '.' or the NUL.
const char *partEnd(const char *text)
{
    const char *end = std::strchr(text, '.');
    return end ? end : text + std::strlen(text);
}

// Version 1, after its "1.": checks every part and every value into `pose`; null or why not.
const char *readVersion1(const char *text, Pose &pose)
{
    const char *end = partEnd(text);
    if (end - text != 1 || (*text != 'v' && *text != 'm'))
        return "its interaction mode is not v or m";
    pose.interaction = *text;
    if (*end != '.')
        return "it has no camera";

    text = end + 1;
    end = partEnd(text);
    unsigned char camera[8 * cameraDoubles];
    if (!decode(text, static_cast<std::size_t>(end - text), camera, sizeof camera))
        return "its camera is not ten doubles in base64url";
    pose.vfar = getDouble(camera);
    double *const frame[9] = {&pose.up.x,  &pose.up.y,  &pose.up.z,    &pose.eye.x,  &pose.eye.y,
                              &pose.eye.z, &pose.right.x, &pose.right.y, &pose.right.z};
    for (int i = 0; i < 9; ++i)
        *frame[i] = getDouble(camera + 8 * (i + 1));
    if (!std::isfinite(pose.vfar) || !(pose.vfar > 0))
        return "its vfar is not finite and positive";
    if (!finite(pose.up) || !finite(pose.eye) || !finite(pose.right))
        return "its camera frame is not finite";
    const Generic frameOnly{pose.interaction, pose.vfar, pose.up, pose.eye, pose.right};
    const Vec3 right = vectorCrossProduct(pose.up, pose.eye);
    const Vec3 off = vectorDifference(pose.right, right);
    if (!(genericDrift(frameOnly) <= genericDriftLimit) ||
        !(std::fmax(std::fabs(off.x), std::fmax(std::fabs(off.y), std::fabs(off.z))) <= rightLimit))
        return "its camera frame is further from orthonormal than the camera lets it drift";

    pose.gimbalc = 0;
    pose.current = 0;
    if (*end == '\0')
        return nullptr;

    text = end + 1;
    end = partEnd(text);
    const std::size_t digits = static_cast<std::size_t>(end - text);
    if (digits == 0 || std::strspn(text, "0123456789") != digits || (digits > 1 && *text == '0'))
        return "its selection is not a number";
    if (digits > 3)
        return "its selection is outside the chain";
    int current = 0;
    for (const char *digit = text; digit != end; ++digit)
        current = current * 10 + (*digit - '0');
    if (*end != '.')
        return "it has no angles";

    text = end + 1;
    const std::size_t length = std::strlen(text);
    if (length == 0 || length > encodedLength(8 * maxGimbals))
        return "its ring count is outside 1..127";
    // Whole doubles only: 8 bytes take 10 2/3 characters, so n of them take (32n + 2) / 3.
    const std::size_t rings = length * 3 / 32;
    unsigned char angles[8 * maxGimbals];
    if (!decode(text, length, angles, 8 * rings))
        return "its angles are not whole doubles in base64url";
    if (current >= static_cast<int>(rings))
        return "its selection is outside the chain";
    for (std::size_t j = 0; j < rings; ++j) {
        pose.angle[j] = getDouble(angles + 8 * j);
        if (!std::isfinite(pose.angle[j]))
            return "a joint angle is not finite";
    }
    pose.gimbalc = static_cast<int32_t>(rings);
    pose.current = current;
    return nullptr;
}

// Whether the display mode is the chain's, whose set-up has made the chain.
bool chainShown()
{
    return window.specificDisplayFunc == d13display;
}

}  // namespace

Pose poseOfViewer()
{
    Pose pose{generic.interaction, generic.vfar, generic.up, generic.eye, generic.right, 0, 0, {}};
    if (chainShown()) {
        pose.gimbalc = d13.gimbalc;
        pose.current = d13.current;
        std::memcpy(pose.angle, d13.angle, sizeof(double) * static_cast<std::size_t>(d13.gimbalc));
    }
    return pose;
}

void poseWrite(const Pose &pose, char *text)
{
    unsigned char bytes[8 * maxGimbals];
    const double camera[cameraDoubles] = {pose.vfar,  pose.up.x,    pose.up.y,    pose.up.z,   pose.eye.x,
                                          pose.eye.y, pose.eye.z, pose.right.x, pose.right.y, pose.right.z};
    for (int i = 0; i < cameraDoubles; ++i)
        putDouble(camera[i], bytes + 8 * i);
    text += std::snprintf(text, 5, "1.%c.", pose.interaction);
    text = encode(bytes, 8 * cameraDoubles, text);
    if (pose.gimbalc > 0) {
        text += std::snprintf(text, 6, ".%d.", static_cast<int>(pose.current));
        for (int32_t j = 0; j < pose.gimbalc; ++j)
            putDouble(pose.angle[j], bytes + 8 * j);
        text = encode(bytes, 8 * static_cast<std::size_t>(pose.gimbalc), text);
    }
    *text = '\0';
}

const char *poseRead(const char *text, Pose *pose)
{
    const std::size_t digits = std::strspn(text, "0123456789");
    if (digits == 0 || text[digits] != '.')
        return "it does not start with a version";
    if (digits != 1 || *text != '1')
        return "its version is not one this velmora knows";
    Pose read{};
    const char *refused = readVersion1(text + 2, read);
    if (refused == nullptr)
        *pose = read;
    return refused;
}

const char *poseApply(const Pose &pose)
{
    if (pose.gimbalc > 0 && !chainShown())
        return "it holds a chain, and this display mode shows none";
    generic.interaction = pose.interaction;
    generic.vfar = pose.vfar;
    generic.up = pose.up;
    generic.eye = pose.eye;
    generic.right = pose.right;
    if (pose.gimbalc > 0) {
        d13.gimbalc = pose.gimbalc;
        d13.current = pose.current;
        std::memcpy(d13.angle, pose.angle, sizeof(double) * static_cast<std::size_t>(pose.gimbalc));
    }
    return nullptr;
}

void poseStart(const char *text)
{
    Pose pose;
    const char *refused = poseRead(text, &pose);
    if (refused == nullptr)
        refused = poseApply(pose);
    if (refused != nullptr)
        std::fprintf(stderr, "pose ignored: %s\n", refused);
}
