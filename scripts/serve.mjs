// velmora: serves one folder over HTTP on 127.0.0.1, for the page (scripts/run.sh web).
//   node scripts/serve.mjs FOLDER [PORT]    prints the page's address; Ctrl+C stops it
// Only files inside FOLDER are served, with the types a browser needs (application/wasm above all).
import fs from "node:fs";
import http from "node:http";
import path from "node:path";

const types = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript",
    ".wasm": "application/wasm",
    ".data": "application/octet-stream",
    ".txt": "text/plain; charset=utf-8",
};
const folder = path.resolve(process.argv[2] ?? ".");
const server = http.createServer((request, response) => {
    const name = path.join(folder, path.normalize(decodeURIComponent(new URL(request.url, "http://host").pathname)));
    const file = name.endsWith(path.sep) ? path.join(name, "index.html") : name;
    if (!file.startsWith(folder + path.sep) || request.method !== "GET") {
        response.writeHead(404).end();
        return;
    }
    fs.readFile(file, (error, data) => {
        if (error) {
            response.writeHead(404).end();
            return;
        }
        response.writeHead(200, {"Content-Type": types[path.extname(file)] ?? "application/octet-stream"}).end(data);
    });
});
server.listen(Number(process.argv[3] ?? 0), "127.0.0.1", () => {
    console.log(`http://127.0.0.1:${server.address().port}/index.html`);
});
