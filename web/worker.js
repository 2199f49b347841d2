// The engine's thread: the WebAssembly module runs here, so that the page
// stays responsive during long runs and Cancel can stop a run at once (the
// page ends this worker and starts a new one).
'use strict';
importScripts('mantlept.js');

const engine = createMantlept({ print() {}, printErr() {} }).then((M) => {
  M.FS.mkdir('/work');
  M.FS.chdir('/work');
  return M;
});

// `mantlept ARGS...` as the command line runs it: {out, err, exitCode}.
function command(M, args) {
  const list = new M.StringList();
  for (const a of args) list.push_back(String(a));
  try {
    return M.runCommand(list);
  } finally {
    list.delete();
  }
}

// Files live in /work only for one run, under their own base names, so that
// messages name them as the command line names them.
function baseName(name) {
  const parts = String(name).split(/[\\/]/);
  return parts[parts.length - 1] || 'analyses';
}

function clearWork(M) {
  for (const name of M.FS.readdir('/work')) {
    if (name !== '.' && name !== '..') M.FS.unlink('/work/' + name);
  }
}

// The command-line arguments of `mantlept calc` for the page's options.
function calcArgs(file, o) {
  const args = ['calc', file];
  for (const pair of o.pairs || []) args.push('-p', pair);
  if (o.oxy) args.push('-x', o.oxy);
  if (o.ferric) args.push('--ferric');
  if (o.iterations != null) args.push('-n', o.iterations);
  if (o.start) args.push('--start', o.start);
  if (o.sheet) args.push('--sheet', o.sheet);
  if (o.mc) {
    args.push('--mc', o.mc, '--seed', o.seed == null ? 1 : o.seed, '--threads', 1);
    if (o.relSigma != null && o.relSigma !== '') args.push('--rel-sigma', o.relSigma);
  }
  return args;
}

function calc(M, files, options) {
  clearWork(M);
  if (!files || files.length === 0) {
    return { csv: '', notes: 'mantlept: choose an analysis file first\n', exitCode: 2 };
  }
  if (files.length > 1) {
    return { csv: '', notes: 'mantlept: one analysis file at a time\n', exitCode: 2 };
  }
  const name = baseName(files[0].name);
  M.FS.writeFile(name, files[0].bytes);
  try {
    const r = command(M, calcArgs(name, options || {}));
    return { csv: r.out, notes: r.err, exitCode: r.exitCode };
  } finally {
    clearWork(M);
  }
}

function readIfThere(M, name) {
  try {
    return M.FS.readFile(name, { encoding: 'utf8' });
  } catch (e) {
    return '';
  }
}

function geotherm(M, csvText, o) {
  clearWork(M);
  const name = baseName((o && o.name) || 'points.csv');
  M.FS.writeFile(name, csvText);
  const args = ['geotherm', name, '-o', 'geotherm.csv', '--svg', 'geotherm.svg'];
  if (o && o.pair) args.push('--pair', o.pair);
  try {
    const r = command(M, args);
    return {
      summary: r.out,
      svg: readIfThere(M, 'geotherm.svg'),
      table: readIfThere(M, 'geotherm.csv'),
      notes: r.err,
      exitCode: r.exitCode,
    };
  } finally {
    clearWork(M);
  }
}

onmessage = async (event) => {
  const { id, kind } = event.data;
  const M = await engine;
  let reply;
  try {
    if (kind === 'methods') {
      const r = command(M, ['methods', '--format', 'csv']);
      reply = { csv: r.out, notes: r.err, exitCode: r.exitCode };
    } else if (kind === 'calc') {
      reply = calc(M, event.data.files, event.data.options);
    } else if (kind === 'geotherm') {
      reply = geotherm(M, event.data.csvText, event.data.options);
    } else {
      reply = { notes: 'unknown request ' + kind + '\n', exitCode: 2 };
    }
  } catch (e) {
    reply = { csv: '', notes: 'mantlept: ' + (e && e.message ? e.message : String(e)) + '\n', exitCode: 1 };
  }
  postMessage({ id, reply });
};
