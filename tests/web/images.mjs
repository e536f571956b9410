// velmora: the pictures of the browser tests: PNG (the page's canvas) and PPM (the native window) as
// RGB pixels, and how closely two of them match.
import zlib from 'node:zlib';

// { width, height, rgb } with 3 bytes a pixel, rows top to bottom.
function image(width, height) {
  return { width, height, rgb: Buffer.alloc(width * height * 3) };
}

// A binary PPM of 8-bit samples, as xwdtopnm writes it.
export function decodePpm(bytes) {
  const header = /^P6\s+(\d+)\s+(\d+)\s+255\s/.exec(bytes.subarray(0, 64).toString('latin1'));
  if (!header) throw new Error('not an 8-bit binary PPM');
  const picture = image(Number(header[1]), Number(header[2]));
  bytes.copy(picture.rgb, 0, header[0].length, header[0].length + picture.rgb.length);
  return picture;
}

// A non-interlaced PNG of 8-bit RGB or RGBA, as Chromium's screenshots are.
export function decodePng(bytes) {
  let width = 0, height = 0, colour = 0;
  const data = [];
  for (let at = 8; at < bytes.length; ) {
    const length = bytes.readUInt32BE(at), type = bytes.toString('latin1', at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      [width, height, colour] = [body.readUInt32BE(0), body.readUInt32BE(4), body[9]];
      if (body[8] !== 8 || (colour !== 2 && colour !== 6) || body[12] !== 0) throw new Error('unsupported PNG');
    } else if (type === 'IDAT') data.push(body);
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(data));
  const bpp = colour === 6 ? 4 : 3, stride = width * bpp;
  const picture = image(width, height);
  let previous = Buffer.alloc(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const row = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; ++i) {
      const a = i >= bpp ? row[i - bpp] : 0, b = previous[i], c = i >= bpp ? previous[i - bpp] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const predicted = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      row[i] = (row[i] + predicted) & 255;
    }
    for (let x = 0; x < width; ++x) row.copy(picture.rgb, (y * width + x) * 3, x * bpp, x * bpp + 3);
    previous = row;
  }
  return picture;
}

// Whether pixel (x, y) of a width x height picture lies outside a centred disc of `radius`.
export const outside = (radius) => (x, y, width, height) =>
  Math.hypot(x + 0.5 - width / 2, y + 0.5 - height / 2) > radius;

// Among the pixels `counted` and drawn (not black) in either picture: how many there are, the share
// within 8 levels in every channel, and the share more than 16 levels off in some channel.
export function match(a, b, counted = () => true) {
  if (a.width !== b.width || a.height !== b.height)
    throw new Error(`sizes differ: ${a.width}x${a.height} and ${b.width}x${b.height}`);
  let drawn = 0, close = 0, far = 0;
  for (let y = 0; y < a.height; ++y)
    for (let x = 0; x < a.width; ++x) {
      const i = (y * a.width + x) * 3;
      if (!counted(x, y, a.width, a.height)) continue;
      if (!(a.rgb[i] | a.rgb[i + 1] | a.rgb[i + 2] | b.rgb[i] | b.rgb[i + 1] | b.rgb[i + 2])) continue;
      const off = Math.max(Math.abs(a.rgb[i] - b.rgb[i]), Math.abs(a.rgb[i + 1] - b.rgb[i + 1]),
        Math.abs(a.rgb[i + 2] - b.rgb[i + 2]));
      drawn += 1;
      close += off <= 8;
      far += off > 16;
    }
  return { drawn, close: close / Math.max(drawn, 1), far: far / Math.max(drawn, 1) };
}

// Whether two pictures of one size have the same pixels wherever `counted`.
export function same(a, b, counted = () => true) {
  for (let y = 0; y < a.height; ++y)
    for (let x = 0; x < a.width; ++x) {
      const i = (y * a.width + x) * 3;
      if (counted(x, y, a.width, a.height) && a.rgb.compare(b.rgb, i, i + 3, i, i + 3) !== 0) return false;
    }
  return true;
}
