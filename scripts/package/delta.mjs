// velmora: velmora.data as the page's zip holds it, before gzip: each byte less the byte six before it.
//   node scripts/package/delta.mjs FILE > PACKED    (scripts/package/web.sh)
// The pictures' neighbouring pixels are alike, 8-bit RGB at 3 bytes a pixel and 16-bit at 6: the
// differences six bytes apart are mostly small, and gzip packs them into 2.4 MB where the bytes
// themselves take 3.1. The output starts with the line `marker`; web/page/load.js undoes the rest.
import fs from "node:fs";

const marker = "velmora: bytes less the sixth before\n";

const data = fs.readFileSync(process.argv[2]);
const packed = Buffer.alloc(marker.length + data.length);
packed.write(marker, "latin1");
for (let at = 0; at < data.length; ++at)
  packed[marker.length + at] = data[at] - (at >= 6 ? data[at - 6] : 0);
process.stdout.write(packed);
