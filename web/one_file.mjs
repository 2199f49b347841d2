// Writes mantlept.html: the page as one file that runs opened from disk, with
// no server and no network. The page's CSS and script go inline; the worker's
// source (the module's loader, the module itself as base64 and worker.js)
// goes into a text script the page starts as a Blob URL worker.
//   node web/one_file.mjs DIR     (DIR holds the served page as built)
import { readFileSync, writeFileSync, renameSync } from 'node:fs';
import path from 'node:path';

const dir = process.argv[2];
const read = (name) => readFileSync(path.join(dir, name), 'utf8');

// Text inside a <script> or <style> element ends at the first "</script" or
// "</style"; "<!--" would change how the rest is read.
function embeddable(text, name, element) {
  const lower = text.toLowerCase();
  for (const bad of ['</' + element, '<!--']) {
    if (lower.includes(bad)) {
      console.error(`one_file: ${name} contains "${bad}" and cannot go inside <${element}>`);
      process.exit(1);
    }
  }
  return text;
}

const wasm = readFileSync(path.join(dir, 'mantlept.wasm')).toString('base64');
const workerSource =
  "var mantleptWasmBase64 = '" + wasm + "';\n" +
  embeddable(read('mantlept.js'), 'mantlept.js', 'script') + '\n;(function () {\n' +
  embeddable(read('worker.js'), 'worker.js', 'script') + '\n})();\n';

let html = read('index.html');
const replace = (from, to) => {
  if (!html.includes(from)) {
    console.error(`one_file: index.html has no ${from}`);
    process.exit(1);
  }
  html = html.replace(from, () => to);
};
replace('<link rel="stylesheet" href="page.css">',
  '<style>\n' + embeddable(read('page.css'), 'page.css', 'style') + '</style>');
replace('<script src="page.js" defer></script>',
  '<script type="text/plain" id="mantlept-worker">' + workerSource + '</script>\n' +
  '<script>\n' + embeddable(read('page.js'), 'page.js', 'script') + '</script>');

const out = path.join(dir, 'mantlept.html');
writeFileSync(out + '.part', html);
renameSync(out + '.part', out);
