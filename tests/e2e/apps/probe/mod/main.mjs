import { twice } from './util.mjs';
window.moduleResult = twice(21);
